#pragma once
// The filters the graph builder can pick by itself: sources for RenderFile, transforms for
// intelligent connect and Render, and the default renderers. Candidates of one kind are
// tried in falling merit, then in registration order. Registering and unregistering are
// thread-safe and may run from static initialisers.

#include <functional>
#include <string>
#include <vector>

#include "platform/dshow/dshow_interfaces.h"

constexpr DWORD MERIT_PREFERRED = 0x800000;
constexpr DWORD MERIT_NORMAL = 0x600000;
constexpr DWORD MERIT_UNLIKELY = 0x400000;
constexpr DWORD MERIT_DO_NOT_USE = 0x200000;

// Returns a new filter holding one reference, or null with *result set to the reason.
using FilterFactory = std::function<IBaseFilter*(HRESULT* result)>;
// Opens url (a path or a URL) and returns the source filter holding one reference, or null
// with *result: VFW_E_UNKNOWN_FILE_TYPE / VFW_E_UNSUPPORTED_STREAM when the content is not
// this source's (the next source is tried), any other error when it is but cannot be read
// (missing, truncated, corrupt).
using SourceFilterFactory = std::function<IBaseFilter*(const std::u16string& url, HRESULT* result)>;

enum class FilterKind { Source, Transform, Renderer };

struct RegisteredFilter {
  int cookie;
  FilterKind kind;
  std::u16string name;  // the name the graph gives the filter when it adds it
  CLSID clsid;
  DWORD merit;
  FilterFactory create;      // Transform, Renderer
  SourceFilterFactory open;  // Source
};

// Each returns a cookie for UnregisterFilter.
int RegisterSourceFilter(const std::u16string& name, DWORD merit, SourceFilterFactory open);
int RegisterTransformFilter(const std::u16string& name, REFCLSID clsid, DWORD merit,
                            FilterFactory create);
int RegisterRendererFilter(const std::u16string& name, REFCLSID clsid, DWORD merit,
                           FilterFactory create);
void UnregisterFilter(int cookie);

// A snapshot of one kind, best first; filters below MERIT_DO_NOT_USE are left out.
std::vector<RegisteredFilter> RegisteredFilters(FilterKind kind);
