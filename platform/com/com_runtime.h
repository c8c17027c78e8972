#pragma once
// COM basics: per-thread initialisation, object creation by class identifier over the
// stand-in's own registered classes, BSTR strings and VARIANT values.

#include "platform/com/unknown.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;

constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeHResult(0x800401F0u);

// Counts initialisations per thread; S_OK for the first on a thread, S_FALSE after. Each
// call, S_FALSE included, is balanced by one CoUninitialize; extra ones are ignored.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Creates an object of a registered class and returns the interface asked for, holding one
// reference; *object is null after any failure. CO_E_NOTINITIALIZED when the calling thread
// has not called CoInitialize, REGDB_E_CLASSNOTREG for an unknown class or a context without
// an in-process bit, E_NOINTERFACE when the object lacks the interface (the object is then
// destroyed), CLASS_E_NOAGGREGATION when outer is given to a class that cannot be aggregated
// or with an interface other than IID_IUnknown, E_POINTER for a null object.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

// How a stand-in library makes a class creatable: the factory returns a new object holding
// one reference, or null when it cannot be made. Registering a class again replaces the
// factory (a null factory unregisters). Safe to call from static initialisers and
// destructors of the registering library, and from any thread.
using ComClassFactory = IUnknown* (*)(IUnknown* outer, HRESULT* result);
void CoRegisterClass(REFCLSID clsid, ComClassFactory factory);
void CoUnregisterClass(REFCLSID clsid);

// Length-prefixed UTF-16 strings, always terminated; a null BSTR is the empty string.
// SysAllocString(null) gives null; SysAllocStringLen(null, n) gives n zeroed characters.
using BSTR = WCHAR*;
BSTR SysAllocString(const WCHAR* text);
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

using VARTYPE = WORD;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;

struct VARIANT {
  VARTYPE vt;
  WORD reserved1, reserved2, reserved3;
  union {
    LONG lVal;
    BSTR bstrVal;
    LONGLONG llVal;
  };
};
void VariantInit(VARIANT* value);
// Frees what the value owns (a BSTR) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANT* value);
