#include "engine/UploadEventReceiver.h"

#include <chrono>
#include <thread>

#include "platform/win/MessageLoop.h"

CUploadEventReceiver::Hold::Hold(CUploadEventReceiver* receiver) : m_pReceiver(receiver) {
  if (m_pReceiver) ++m_pReceiver->m_nHolds;
}

CUploadEventReceiver::Hold::Hold(Hold&& other) noexcept : m_pReceiver(other.m_pReceiver) { other.m_pReceiver = nullptr; }

CUploadEventReceiver::Hold::~Hold() {
  // The decrement is the last touch: the receiver may be destroyed as soon as it is made.
  if (m_pReceiver) --m_pReceiver->m_nHolds;
}

void CUploadEventReceiver::WaitForHolds(bool handleSentMessages) {
  // Only an owner that goes away waits here, once: a short poll keeps the counter free of a lock.
  while (m_nHolds.load() > 0) {
    if (handleSentMessages) platform::HandleSentMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
