#include "platform/dshow/filter_registry.h"

#include <algorithm>
#include <mutex>

namespace {

struct Registry {
  std::mutex lock;
  std::vector<RegisteredFilter> filters;
  int nextCookie = 1;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

int Add(RegisteredFilter filter) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  filter.cookie = registry.nextCookie++;
  registry.filters.push_back(std::move(filter));
  return registry.filters.back().cookie;
}

}  // namespace

int RegisterSourceFilter(const std::u16string& name, DWORD merit, SourceFilterFactory open) {
  return Add(
      RegisteredFilter{0, FilterKind::Source, name, GUID_NULL, merit, nullptr, std::move(open)});
}

int RegisterTransformFilter(const std::u16string& name, REFCLSID clsid, DWORD merit,
                            FilterFactory create) {
  return Add(
      RegisteredFilter{0, FilterKind::Transform, name, clsid, merit, std::move(create), nullptr});
}

int RegisterRendererFilter(const std::u16string& name, REFCLSID clsid, DWORD merit,
                           FilterFactory create) {
  return Add(
      RegisteredFilter{0, FilterKind::Renderer, name, clsid, merit, std::move(create), nullptr});
}

void UnregisterFilter(int cookie) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  std::erase_if(registry.filters, [&](const RegisteredFilter& f) { return f.cookie == cookie; });
}

std::vector<RegisteredFilter> RegisteredFilters(FilterKind kind) {
  Registry& registry = TheRegistry();
  std::vector<RegisteredFilter> out;
  {
    std::lock_guard lock(registry.lock);
    for (const RegisteredFilter& f : registry.filters)
      if (f.kind == kind && f.merit >= MERIT_DO_NOT_USE) out.push_back(f);
  }
  std::stable_sort(
      out.begin(), out.end(),
      [](const RegisteredFilter& a, const RegisteredFilter& b) { return a.merit > b.merit; });
  return out;
}
