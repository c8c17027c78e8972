#pragma once
// Reference counting and QueryInterface for engine objects. An object starts with no
// reference (whoever creates it with new takes the first through AddRef or QueryInterface)
// and deletes itself when the count falls back to zero. Aggregation is not supported: the
// outer object given to constructors is accepted for the call shape and ignored.

#include <atomic>

#include "platform/dshow/dshow_interfaces.h"

class CUnknown {
 public:
  CUnknown(const char* objectName, IUnknown* outer);
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;
  virtual ~CUnknown() = default;

  // Derived classes answer their own interfaces and pass the rest to their base.
  virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** object);
  ULONG NonDelegatingAddRef();
  ULONG NonDelegatingRelease();

  const char* ObjectName() const { return objectName_; }

 private:
  std::atomic<ULONG> references_{0};
  const char* objectName_;
};

// Hands out an interface pointer with one reference added.
HRESULT GetInterface(IUnknown* unknown, void** object);

// Implements the three IUnknown methods of every interface a CUnknown-derived class inherits.
#define DECLARE_IUNKNOWN                                       \
  HRESULT QueryInterface(REFIID iid, void** object) override { \
    return NonDelegatingQueryInterface(iid, object);           \
  }                                                            \
  ULONG AddRef() override { return NonDelegatingAddRef(); }    \
  ULONG Release() override { return NonDelegatingRelease(); }

// Holds one reference on an interface for a scope.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }  // adds a reference
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr& operator=(ComPtr o) noexcept {
    T* t = p_;
    p_ = o.p_;
    o.p_ = t;
    return *this;
  }
  static ComPtr Adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }  // takes an existing reference
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T* detach() {
    T* t = p_;
    p_ = nullptr;
    return t;
  }
  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
    return out;
  }

 private:
  T* p_ = nullptr;
};
