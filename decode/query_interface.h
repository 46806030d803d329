// QueryInterface of an object that has one interface pointer, itself.
#pragma once

#include "decode/direct_show.h"

#include <initializer_list>

// Answers IUnknown and each of iids with self, a reference added; any other
// iid with E_NOINTERFACE and *object cleared; a null object with E_POINTER.
HRESULT QueryOwnInterface(IUnknown* self, std::initializer_list<IID> iids, REFIID iid, void** object);
