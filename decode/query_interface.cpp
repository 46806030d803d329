#include "decode/query_interface.h"

HRESULT QueryOwnInterface(IUnknown* self, std::initializer_list<IID> iids, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  bool answered = IsEqualIID(iid, IID_IUnknown);
  for (const IID& own : iids) answered = answered || IsEqualIID(iid, own);
  if (!answered) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = self;
  self->AddRef();
  return S_OK;
}
