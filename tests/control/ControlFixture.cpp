#include "tests/control/ControlFixture.h"

#include "platform/com/Bstr.h"
#include "platform/com/PropertyBag.h"
#include "platform/win/MessageLoop.h"

namespace fotaro::test {

FrameSet ControlTest::MakeFrames() {
  m_main = new TestFrame;
  m_second = new TestFrame;
  return FrameSet{std::unique_ptr<CUploaderBase>(m_main), std::unique_ptr<CUploaderBase>(m_second)};
}

void ControlTest::SetUp() {
  m_control = new CFotaroEx(MakeFrames());
  platform::com::BstrPtr page = platform::com::MakeBstr(u"http://localhost/album");
  ASSERT_EQ(host().SetPageUrl(page.get()), S_OK);
}

void ControlTest::TearDown() {
  for (TestSink* sink : m_sinks) sink->Release();
  if (m_control) m_control->Release();
  Drain();
}

HRESULT ControlTest::Call(std::u16string_view name, DispArgs& args, VARIANT* result) {
  return CallMethod(control(), name, args, result);
}

void ControlTest::Start(const std::vector<Param>& params) {
  auto* bag = new platform::com::CPropertyBag;
  for (const auto& [name, value] : params) {
    if (const auto* number = std::get_if<int32_t>(&value)) {
      bag->Set(name, *number);
    } else {
      bag->Set(name, std::get<std::u16string>(value));
    }
  }
  IPersistPropertyBag* persist = nullptr;
  ASSERT_EQ(m_control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)), S_OK);
  EXPECT_EQ(persist->Load(bag, nullptr), S_OK);
  persist->Release();
  bag->Release();
  platform::com::BstrPtr title = platform::com::MakeBstr(u"相册");
  ASSERT_EQ(host().CreateControlWindow(10, 20, 600, 400, title.get()), S_OK);
}

TestSink& ControlTest::Advise(HRESULT answer) {
  IConnectionPointContainer* container = nullptr;
  EXPECT_EQ(m_control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(DIID__IFotaroExEvents, &point), S_OK);
  auto* sink = new TestSink(DIID__IFotaroExEvents, answer);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(sink, &cookie), S_OK);
  point->Release();
  container->Release();
  m_sinks.push_back(sink);
  return *sink;
}

bool ControlTest::RunUntil(const std::function<bool()>& done) {
  // Some conditions come true on other threads without any message to this one (a file appears):
  // the condition is also looked at every few milliseconds.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::RunUntil(done, std::chrono::milliseconds(5));
  }
  return true;
}

void ControlTest::Drain() {
  platform::Message message;
  while (platform::PeekMessage(message)) platform::DispatchMessage(message);
}

}  // namespace fotaro::test
