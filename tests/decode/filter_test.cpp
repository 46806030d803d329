// The two filters through FilterBase: identities, state, graph joining,
// pins and FindPin's edge cases, with exact HRESULTs and reference counts.
#include "decode/avi_splitter_filter.h"
#include "decode/com_ptr.h"
#include "decode/dest_audio_pin.h"
#include "decode/dest_video_pin.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_audio_pin.h"
#include "decode/source_video_pin.h"
#include "tests/decode/com_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FilterTest : public ComTest {
 protected:
  FilterTest() : streams_(320, 240, kFourccYuy2, 16, WaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16, 4)) {}
  void TearDown() override {
    EXPECT_EQ(0, SampleGrabberFilter::Live());
    EXPECT_EQ(0, AviSplitterFilter::Live());
    EXPECT_EQ(0, DestVideoPin::Live());
    EXPECT_EQ(0, DestAudioPin::Live());
    EXPECT_EQ(0, SourceVideoPin::Live());
    EXPECT_EQ(0, SourceAudioPin::Live());
    ComTest::TearDown();
  }
  TestStreams streams_;
};

std::wstring PinId(IPin* pin) {
  LPWSTR id = nullptr;
  if (FAILED(pin->QueryId(&id))) return L"?";
  std::wstring copy(id);
  CoTaskMemFree(id);
  return copy;
}

}  // namespace

TEST_F(FilterTest, IdentitiesOfBothFilters) {
  auto* grabber = new SampleGrabberFilter(&streams_.context, true);
  auto* splitter = new AviSplitterFilter(&streams_.context, true);
  CLSID id = {};
  EXPECT_EQ(S_OK, grabber->GetClassID(&id));
  EXPECT_TRUE(IsEqualGUID(id, FourccSubtype(0x4C494644)));  // DFIL
  EXPECT_EQ(S_OK, splitter->GetClassID(&id));
  EXPECT_TRUE(IsEqualGUID(id, FourccSubtype(0x4C494653)));  // SFIL

  FILTER_INFO info = {};
  EXPECT_EQ(S_OK, grabber->QueryFilterInfo(&info));
  EXPECT_STREQ(L"Velmora Sample Grabber", info.achName);
  EXPECT_EQ(nullptr, info.pGraph);
  EXPECT_EQ(S_OK, splitter->QueryFilterInfo(&info));
  EXPECT_STREQ(L"Velmora AVI Splitter", info.achName);

  // The pins' names, directions and ids; QueryPinInfo adds a filter reference.
  struct Expected {
    IPin* pin;
    const wchar_t* name;
    PIN_DIRECTION direction;
    const wchar_t* id;
    IBaseFilter* filter;
  } expected[] = {
      {grabber->VideoPin(), L"Video Stream", PINDIR_INPUT, L"IDestVideo", grabber},
      {grabber->AudioPin(), L"Audio Stream", PINDIR_INPUT, L"IDestAudio", grabber},
      {splitter->VideoPin(), L"Video Stream", PINDIR_OUTPUT, L"ISourceVideo", splitter},
      {splitter->AudioPin(), L"Audio Stream", PINDIR_OUTPUT, L"ISourceAudio", splitter},
  };
  for (const Expected& e : expected) {
    PIN_INFO pinInfo = {};
    ASSERT_EQ(S_OK, e.pin->QueryPinInfo(&pinInfo));
    EXPECT_STREQ(e.name, pinInfo.achName);
    EXPECT_EQ(e.direction, pinInfo.dir);
    EXPECT_EQ(e.filter, pinInfo.pFilter);
    EXPECT_EQ(2u, RefCount(e.filter));
    pinInfo.pFilter->Release();
    PIN_DIRECTION direction;
    EXPECT_EQ(S_OK, e.pin->QueryDirection(&direction));
    EXPECT_EQ(e.direction, direction);
    EXPECT_EQ(e.id, PinId(e.pin));
    EXPECT_EQ(1u, RefCount(e.pin));  // the filter's reference only
  }
  EXPECT_EQ(0u, grabber->Release());
  EXPECT_EQ(0u, splitter->Release());
}

TEST_F(FilterTest, QueryInterfaceAnswersTheFilterInterfacesOnly) {
  auto* grabber = new SampleGrabberFilter(&streams_.context, false);
  const IID* same[] = {&IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist, &IID_IUnknown};
  for (const IID* iid : same) {
    void* object = nullptr;
    EXPECT_EQ(S_OK, grabber->QueryInterface(*iid, &object));
    EXPECT_EQ(static_cast<IBaseFilter*>(grabber), object);
    EXPECT_EQ(2u, RefCount(grabber));
    grabber->Release();
  }
  void* object = &object;
  EXPECT_EQ(E_NOINTERFACE, grabber->QueryInterface(IID_IPin, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(1u, RefCount(grabber));
  EXPECT_EQ(0u, grabber->Release());
}

TEST_F(FilterTest, FindPinEdgeCases) {
  auto* withoutAudio = new SampleGrabberFilter(&streams_.context, false);
  IPin* pin = reinterpret_cast<IPin*>(&pin);
  EXPECT_EQ(VFW_E_NOT_FOUND, withoutAudio->FindPin(L"IDestAudio", &pin));
  EXPECT_EQ(nullptr, pin);
  EXPECT_EQ(VFW_E_NOT_FOUND, withoutAudio->FindPin(L"idestvideo", &pin));  // exact comparison
  EXPECT_EQ(VFW_E_NOT_FOUND, withoutAudio->FindPin(L"IDestVideo ", &pin));
  ASSERT_EQ(S_OK, withoutAudio->FindPin(L"IDestVideo", &pin));
  EXPECT_EQ(withoutAudio->VideoPin(), pin);
  EXPECT_EQ(2u, RefCount(pin));
  pin->Release();
  EXPECT_EQ(0u, withoutAudio->Release());

  auto* withAudio = new AviSplitterFilter(&streams_.context, true);
  ASSERT_EQ(S_OK, withAudio->FindPin(L"ISourceAudio", &pin));
  EXPECT_EQ(withAudio->AudioPin(), pin);
  pin->Release();
  EXPECT_EQ(VFW_E_NOT_FOUND, withAudio->FindPin(L"IDestAudio", &pin));
  EXPECT_EQ(0u, withAudio->Release());
}

TEST_F(FilterTest, EnumPinsCountsTheAudioPinOnlyWhilePresent) {
  auto* grabber = new SampleGrabberFilter(&streams_.context, true);
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(S_OK, grabber->EnumPins(pins.Receive()));
  IPin* out[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, pins->Next(3, out, &fetched));
  EXPECT_EQ(2u, fetched);
  EXPECT_EQ(grabber->VideoPin(), out[0]);
  EXPECT_EQ(grabber->AudioPin(), out[1]);
  out[0]->Release();
  out[1]->Release();

  // Giving the audio pin up destroys it (nobody else holds it).
  grabber->GiveUpAudioPin();
  EXPECT_EQ(nullptr, grabber->AudioPin());
  EXPECT_EQ(0, DestAudioPin::Live());
  ASSERT_EQ(S_OK, grabber->EnumPins(pins.Receive()));
  EXPECT_EQ(S_FALSE, pins->Next(3, out, &fetched));
  EXPECT_EQ(1u, fetched);
  out[0]->Release();
  grabber->GiveUpAudioPin();  // a second time does nothing
  pins.Reset();
  EXPECT_EQ(0u, grabber->Release());
}

TEST_F(FilterTest, StateChangesAtOnceAndTheClockIsReferenced) {
  auto* grabber = new SampleGrabberFilter(&streams_.context, false);
  FILTER_STATE state = State_Running;
  EXPECT_EQ(S_OK, grabber->GetState(0, &state));
  EXPECT_EQ(State_Stopped, state);
  for (const FILTER_STATE next : {State_Paused, State_Running, State_Stopped}) {
    EXPECT_EQ(S_OK, next == State_Paused ? grabber->Pause() : next == State_Running ? grabber->Run(0) : grabber->Stop());
    EXPECT_EQ(S_OK, grabber->GetState(INFINITE, &state));
    EXPECT_EQ(next, state);
  }

  ComPtr<IReferenceClock> clock;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IReferenceClock, clock.ReceiveVoid()));
  EXPECT_EQ(S_OK, grabber->SetSyncSource(clock.Get()));
  EXPECT_EQ(2u, RefCount(clock.Get()));
  IReferenceClock* got = nullptr;
  EXPECT_EQ(S_OK, grabber->GetSyncSource(&got));
  EXPECT_EQ(clock.Get(), got);
  EXPECT_EQ(3u, RefCount(clock.Get()));
  got->Release();
  EXPECT_EQ(S_OK, grabber->SetSyncSource(nullptr));
  EXPECT_EQ(1u, RefCount(clock.Get()));
  EXPECT_EQ(S_OK, grabber->GetSyncSource(&got));
  EXPECT_EQ(nullptr, got);
  EXPECT_EQ(S_OK, grabber->SetSyncSource(clock.Get()));
  EXPECT_EQ(0u, grabber->Release());  // the filter's end releases the clock
  EXPECT_EQ(1u, RefCount(clock.Get()));
}

TEST_F(FilterTest, JoiningAGraphHoldsNoReference) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, graph.ReceiveVoid()));
  auto* splitter = new AviSplitterFilter(&streams_.context, false);
  const ULONG graphReferences = RefCount(graph.Get());
  ASSERT_EQ(S_OK, graph->AddFilter(splitter, nullptr));
  EXPECT_EQ(graphReferences, RefCount(graph.Get()));
  EXPECT_NE(nullptr, splitter->Graph());

  FILTER_INFO info = {};
  ASSERT_EQ(S_OK, splitter->QueryFilterInfo(&info));
  EXPECT_EQ(graphReferences + 1, RefCount(graph.Get()));
  info.pGraph->Release();
  // Already joined: a second graph is refused.
  EXPECT_EQ(E_FAIL, splitter->JoinFilterGraph(graph.Get(), L"again"));

  ASSERT_EQ(S_OK, graph->RemoveFilter(splitter));
  EXPECT_EQ(nullptr, splitter->Graph());
  EXPECT_EQ(E_FAIL, splitter->JoinFilterGraph(nullptr, nullptr));
  EXPECT_EQ(0u, splitter->Release());
}
