#include "platform/com/com_runtime.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/win32/guid_text.h"

const IID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

thread_local int initialiseCount = 0;

struct ClassRegistry {
  std::mutex mutex;
  std::unordered_map<CLSID, ComClassFactory, GuidHash> factories;
};

// Built on first use, so that libraries may register their classes from static initialisers
// in any order; never destroyed, so that static destructors may still unregister.
ClassRegistry& Registry() {
  static ClassRegistry* registry = new ClassRegistry;
  return *registry;
}

// The byte count sits in the four bytes before the first character.
constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

}  // namespace

HRESULT CoInitialize(void*) { return initialiseCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (initialiseCount > 0) --initialiseCount;
}

void CoRegisterClass(REFCLSID clsid, ComClassFactory factory) {
  auto& registry = Registry();
  std::lock_guard lock(registry.mutex);
  if (factory)
    registry.factories[clsid] = factory;
  else
    registry.factories.erase(clsid);
}

void CoUnregisterClass(REFCLSID clsid) {
  auto& registry = Registry();
  std::lock_guard lock(registry.mutex);
  registry.factories.erase(clsid);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (initialiseCount == 0) return CO_E_NOTINITIALIZED;
  if ((context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0) return REGDB_E_CLASSNOTREG;
  // Aggregation hands out the inner object's IUnknown only.
  if (outer && !(iid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;

  ComClassFactory factory = nullptr;
  {
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.factories.find(clsid);
    if (found == registry.factories.end()) return REGDB_E_CLASSNOTREG;
    factory = found->second;
  }
  // The factory runs outside the lock: it may create further objects itself.
  HRESULT result = S_OK;
  IUnknown* created = factory(outer, &result);
  if (!created) {
    if (FAILED(result)) return result;
    return outer ? CLASS_E_NOAGGREGATION : E_OUTOFMEMORY;
  }
  result = created->QueryInterface(iid, object);
  created->Release();
  if (FAILED(result)) {
    *object = nullptr;
    return result;
  }
  return S_OK;
}

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
  const std::size_t bytes = std::size_t{length} * sizeof(WCHAR);
  if (bytes > 0xFFFFFFF0u) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(kPrefixBytes + bytes + sizeof(WCHAR)));
  if (!block) return nullptr;
  const auto byteCount = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &byteCount, kPrefixBytes);
  auto* characters = reinterpret_cast<WCHAR*>(block + kPrefixBytes);
  if (text)
    std::memcpy(characters, text, bytes);
  else
    std::memset(characters, 0, bytes);
  characters[length] = u'\0';
  return characters;
}

BSTR SysAllocString(const WCHAR* text) {
  if (!text) return nullptr;
  UINT length = 0;
  while (text[length] != u'\0') ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<unsigned char*>(text) - kPrefixBytes);
}

UINT SysStringLen(BSTR text) {
  if (!text) return 0;
  std::uint32_t byteCount;
  std::memcpy(&byteCount, reinterpret_cast<unsigned char*>(text) - kPrefixBytes, kPrefixBytes);
  return byteCount / sizeof(WCHAR);
}

void VariantInit(VARIANT* value) {
  if (!value) return;
  std::memset(value, 0, sizeof *value);
  value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  if (value->vt == VT_BSTR) SysFreeString(value->bstrVal);
  VariantInit(value);
  return S_OK;
}
