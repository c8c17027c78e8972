#include "platform/com/com_runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32/guid_text.h"

namespace {

const CLSID kCounterClass = MakeGuid("5C0F1E2A-7B3D-4E8F-9A10-2B3C4D5E6F70");
const CLSID kFailingClass = MakeGuid("5C0F1E2A-7B3D-4E8F-9A10-2B3C4D5E6F71");
const CLSID kUnknownClass = MakeGuid("5C0F1E2A-7B3D-4E8F-9A10-2B3C4D5E6F72");
const IID kCounterInterface = MakeGuid("5C0F1E2A-7B3D-4E8F-9A10-2B3C4D5E6F73");
const IID kOtherInterface = MakeGuid("5C0F1E2A-7B3D-4E8F-9A10-2B3C4D5E6F74");

std::atomic<int> liveObjects{0};

struct ICounter : IUnknown {
  virtual int Value() = 0;

 protected:
  ~ICounter() = default;
};

class Counter final : public ICounter {
 public:
  Counter() { ++liveObjects; }
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == kCounterInterface) {
      *object = static_cast<ICounter*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override {
    const ULONG left = --references;
    if (left == 0) delete this;
    return left;
  }
  int Value() override { return 42; }

 private:
  ~Counter() { --liveObjects; }
  std::atomic<ULONG> references{1};
};

IUnknown* MakeCounter(IUnknown* outer, HRESULT* result) {
  if (outer) {
    *result = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  return new Counter;
}

IUnknown* FailToMake(IUnknown*, HRESULT* result) {
  *result = E_OUTOFMEMORY;
  return nullptr;
}

// Registered before main, as the stand-in libraries do.
const bool registered = [] {
  CoRegisterClass(kCounterClass, MakeCounter);
  CoRegisterClass(kFailingClass, FailToMake);
  return true;
}();

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registered);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    CoUninitialize();
    EXPECT_EQ(liveObjects, 0);
  }
  static constexpr DWORD kContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
};

TEST_F(ComTest, CreatesRegisteredClassWithOneReference) {
  void* object = nullptr;
  ASSERT_EQ(CoCreateInstance(kCounterClass, nullptr, kContext, kCounterInterface, &object), S_OK);
  auto* counter = static_cast<ICounter*>(object);
  EXPECT_EQ(counter->Value(), 42);
  EXPECT_EQ(liveObjects, 1);

  void* again = nullptr;
  ASSERT_EQ(counter->QueryInterface(IID_IUnknown, &again), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(again)->Release(), 1u);
  EXPECT_EQ(counter->Release(), 0u);
  EXPECT_EQ(liveObjects, 0);
}

TEST_F(ComTest, CreationFailuresLeaveNoObject) {
  struct Case {
    const char* name;
    CLSID clsid;
    bool aggregate;
    DWORD context;
    IID iid;
    HRESULT expected;
  };
  const Case cases[] = {
      {"unknown class", kUnknownClass, false, kContext, kCounterInterface, REGDB_E_CLASSNOTREG},
      {"missing interface", kCounterClass, false, kContext, kOtherInterface, E_NOINTERFACE},
      {"factory failure", kFailingClass, false, kContext, IID_IUnknown, E_OUTOFMEMORY},
      {"no aggregation", kCounterClass, true, kContext, IID_IUnknown, CLASS_E_NOAGGREGATION},
      {"aggregate non-IUnknown", kCounterClass, true, kContext, kCounterInterface,
       CLASS_E_NOAGGREGATION},
      {"out-of-process only", kCounterClass, false, 0x4, kCounterInterface, REGDB_E_CLASSNOTREG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    void* outerObject = nullptr;
    if (c.aggregate) {
      ASSERT_EQ(CoCreateInstance(kCounterClass, nullptr, kContext, IID_IUnknown, &outerObject),
                S_OK);
    }
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(
        CoCreateInstance(c.clsid, static_cast<IUnknown*>(outerObject), c.context, c.iid, &object),
        c.expected);
    EXPECT_EQ(object, nullptr);
    if (outerObject) static_cast<IUnknown*>(outerObject)->Release();
    EXPECT_EQ(liveObjects, 0);
  }
  EXPECT_EQ(CoCreateInstance(kCounterClass, nullptr, kContext, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ComTest, UnregisteredClassIsNoLongerCreatable) {
  const CLSID temporary = MakeGuid("5C0F1E2A-7B3D-4E8F-9A10-2B3C4D5E6F75");
  CoRegisterClass(temporary, MakeCounter);
  void* object = nullptr;
  ASSERT_EQ(CoCreateInstance(temporary, nullptr, kContext, IID_IUnknown, &object), S_OK);
  static_cast<IUnknown*>(object)->Release();
  CoUnregisterClass(temporary);
  EXPECT_EQ(CoCreateInstance(temporary, nullptr, kContext, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
}

TEST(ComInitialise, CountsPerThread) {
  // A fresh thread starts uninitialised, whatever other threads did.
  std::thread([] {
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kCounterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    // Still initialised: one call is not yet balanced.
    ASSERT_EQ(CoCreateInstance(kCounterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              S_OK);
    static_cast<IUnknown*>(object)->Release();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(kCounterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    CoUninitialize();  // unbalanced: ignored
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  }).join();
}

TEST(Bstr, RoundTripsTextWithLengthPrefix) {
  const WCHAR text[] = u"Caméra \U0001F3A5";
  BSTR copy = SysAllocString(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(SysStringLen(copy), std::char_traits<WCHAR>::length(text));
  EXPECT_EQ(std::u16string_view(copy), std::u16string_view(text));
  SysFreeString(copy);

  // Embedded terminators count towards the length; the string is still terminated.
  BSTR embedded = SysAllocStringLen(u"a\0b", 3);
  EXPECT_EQ(SysStringLen(embedded), 3u);
  EXPECT_EQ(embedded[1], u'\0');
  EXPECT_EQ(embedded[3], u'\0');
  SysFreeString(embedded);

  BSTR zeroed = SysAllocStringLen(nullptr, 4);
  EXPECT_EQ(SysStringLen(zeroed), 4u);
  EXPECT_EQ(std::u16string_view(zeroed, 4), std::u16string_view(u"\0\0\0\0", 4));
  SysFreeString(zeroed);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(Variant, ClearFreesOwnedString) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(value.vt, VT_EMPTY);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(u"FriendlyName");
  EXPECT_EQ(VariantClear(&value), S_OK);  // the sanitizer build reports a leak otherwise
  EXPECT_EQ(value.vt, VT_EMPTY);
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

}  // namespace
