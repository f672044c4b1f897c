// The COM library: initialisation and object creation from a table of providers.
#pragma once

#include "platform/automation/unknown.h"

#include <functional>

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Nothing needs setting up per thread, so both only keep the calling convention.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Creates an object of a registered class and asks it for the interface riid.
// Unknown classes give REGDB_E_CLASSNOTREG, so a caller can go on to its next choice.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);

// A provider builds a new object and answers the interface request on it.
using com_class_factory = std::function<HRESULT(REFIID riid, void** object)>;

void com_register_class(REFCLSID clsid, com_class_factory factory);
void com_unregister_class(REFCLSID clsid);
