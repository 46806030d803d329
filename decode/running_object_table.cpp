#include "decode/running_object_table.h"

#include "decode/com_ptr.h"

std::wstring RotItemName(IUnknown* graph) {
  WCHAR name[64];
  wsprintfW(name, L"FilterGraph %08x pid %08x", static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(graph)),
            GetCurrentProcessId());
  return name;
}

HRESULT AddGraphToRot(IUnknown* graph, DWORD* cookie) {
  ComPtr<IRunningObjectTable> table;
  if (FAILED(GetRunningObjectTable(0, table.Receive()))) return E_FAIL;
  ComPtr<IMoniker> moniker;
  const std::wstring name = RotItemName(graph);
  HRESULT result = CreateItemMoniker(L"!", name.c_str(), moniker.Receive());
  if (SUCCEEDED(result)) result = table->Register(0, graph, moniker.Get(), cookie);
  return result;
}

void RemoveGraphFromRot(DWORD cookie) {
  ComPtr<IRunningObjectTable> table;
  if (SUCCEEDED(GetRunningObjectTable(0, table.Receive()))) table->Revoke(cookie);
}
