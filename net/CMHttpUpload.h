#pragma once
// CCMHttpUpload: the front-end of one multipart upload. Its owner adds the text fields and file
// entries, starts the transfer with UploadImage, and receives every report as a tagEvent through
// the member function it subscribed:
//
//   type 0 progress: nSent bytes of nTotal sent (after every chunk of the request body)
//   type 1 error:    nCode (forwarded from OnError, which the engine itself never raises)
//   type 2 complete: nCode is the transfer code (see CHttpDownload), strText the result file,
//                    which exists only for code 0
//
// Events come on the transfer thread while the subscriber lock is held: a handler must not
// subscribe or unsubscribe on the same front-end, but it may destroy the front-end (its owner)
// from the completion event. Once StopTransfer or the destructor has returned on another thread,
// no further event of that transfer is delivered.

#include <cstdint>
#include <memory>
#include <string>

#include "net/HttpUploadImageFile.h"

struct tagEvent {
  int nType = 255;  // 0 progress, 1 error, 2 complete; 255 in a fresh record
  int64_t nSent = 0;
  int64_t nTotal = 0;
  int nCode = 0;
  std::u16string strText;
};

class CCMHttpUpload {
 public:
  enum EventType { kEventProgress = 0, kEventError = 1, kEventComplete = 2 };
  // Answers of the album server are small XML documents; anything beyond this is refused.
  static constexpr int64_t kMaxAnswerSize = 1024 * 1024;

  CCMHttpUpload();
  // Stops a running transfer (up to the stop bound) and drops every subscriber.
  ~CCMHttpUpload();
  CCMHttpUpload(const CCMHttpUpload&) = delete;
  CCMHttpUpload& operator=(const CCMHttpUpload&) = delete;

  void AddFormData(const std::u16string& name, const std::u16string& value);
  void AddImageFormData(const std::u16string& sendPath, const std::u16string& textName, const std::u16string& displayName,
                        const std::u16string& partName, const std::u16string& dataPath);
  // Clears fields and entries before the next file and draws a new boundary.
  void ResetUploadData();
  // Deletes an existing result file, then starts the transfer. True when it runs (a type-2 event
  // will follow); false when nothing was started and no event will come.
  bool UploadImage(const std::u16string& url, const std::u16string& resultFile);
  // Stops the transfer; a transfer that notices it still ends with a type-2 event (code 2).
  // True when the transfer thread has ended.
  bool StopTransfer();

  // Subscribes object->handler to the events; Unsubscribe removes the same pair again.
  template <class T>
  void Subscribe(T* object, void (T::*handler)(const tagEvent*)) {
    AddSubscriber(std::make_unique<_event_node_OnEvent_HttpUpload<T>>(object, handler));
  }
  template <class T>
  void Unsubscribe(T* object, void (T::*handler)(const tagEvent*)) {
    RemoveSubscriber(_event_node_OnEvent_HttpUpload<T>(object, handler));
  }

  // The request engine, for its details (boundary, Content-Length, bytes sent) once an event has
  // reported completion.
  const CHttpUploadImageFile& Uploader() const;

  // A subscriber: an object and one of its member functions.
  class _event_node_base_OnEvent_HttpUpload {
   public:
    virtual ~_event_node_base_OnEvent_HttpUpload() = default;
    virtual bool Matches(const _event_node_base_OnEvent_HttpUpload& other) const = 0;
    virtual void Invoke(const tagEvent* event) const = 0;
  };
  template <class T>
  class _event_node_OnEvent_HttpUpload : public _event_node_base_OnEvent_HttpUpload {
   public:
    _event_node_OnEvent_HttpUpload(T* object, void (T::*handler)(const tagEvent*)) : m_pObject(object), m_pHandler(handler) {}
    bool Matches(const _event_node_base_OnEvent_HttpUpload& other) const override {
      const auto* node = dynamic_cast<const _event_node_OnEvent_HttpUpload*>(&other);
      return node && node->m_pObject == m_pObject && node->m_pHandler == m_pHandler;
    }
    void Invoke(const tagEvent* event) const override { (m_pObject->*m_pHandler)(event); }

   private:
    T* m_pObject;
    void (T::*m_pHandler)(const tagEvent*);
  };

 private:
  class Core;
  void AddSubscriber(std::unique_ptr<_event_node_base_OnEvent_HttpUpload> node);
  void RemoveSubscriber(const _event_node_base_OnEvent_HttpUpload& node);

  // Shared with the transfer thread, which holds it until it ends, so that a thread that missed
  // its stop bound, or a handler that destroyed this front-end, never touches freed memory.
  std::shared_ptr<Core> m_pCore;
};
