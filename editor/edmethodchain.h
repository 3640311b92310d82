#pragma once
// Lists of method pointers through which one object notifies many (the
// highlighter tells every editor that shows it about attribute changes).
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/sysutils.h"

namespace editor {

// Base of the editor objects that are passed as the sender of notifications.
class TEdObject {
 public:
  virtual ~TEdObject() = default;
};

// A notification with its sender, for single listeners.
using TEdNotify = std::function<void(TEdObject* sender)>;

// "%s.Entry : the parameter `AEvent' must be specified." and the Remove variant.
class EEdMethodChain : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// A method pointer: code and the object it runs on. Two methods are equal
// when both parts are.
struct TEdMethod {
  using TCode = void (*)();
  TCode Code = nullptr;
  void* Data = nullptr;
  friend bool operator==(const TEdMethod&, const TEdMethod&) = default;
};

// A notification method (sender).
struct TEdNotifyEvent {
  using TCode = void (*)(void* data, TEdObject* sender);
  TCode Code = nullptr;
  void* Data = nullptr;
  void operator()(TEdObject* sender) const { Code(Data, sender); }
  explicit operator bool() const { return Code != nullptr; }
  friend bool operator==(const TEdNotifyEvent&, const TEdNotifyEvent&) = default;
};

// The notification method Method of object, as a comparable pointer pair:
// NotifyMethod<&TEditor::HighlighterAttrChanged>(this).
template <auto Method, typename T>
TEdNotifyEvent NotifyMethod(T* object) {
  return TEdNotifyEvent{[](void* data, TEdObject* sender) { (static_cast<T*>(data)->*Method)(sender); }, object};
}

class TEdMethodChain {
 public:
  // Called with the exception and a continue flag (starting true); a false
  // flag stops the remaining calls. Without a handler the exception is raised again.
  std::function<void(const std::exception& e, bool& doContinue)> OnException;

  TEdMethodChain() = default;
  virtual ~TEdMethodChain() = default;

  void Add(const TEdMethod& method);
  // Removes every entry equal to method.
  void Remove(const TEdMethod& method);
  void Fire();
  int Count() const { return static_cast<int>(methods_.size()); }

 protected:
  virtual void ExecuteMethod(const TEdMethod& method) = 0;
  virtual bool DoHandleException(const std::exception& e);
  virtual std::string ClassName() const { return "TEdMethodChain"; }

 private:
  std::vector<TEdMethod> methods_;
};

class TEdNotifyEventChain : public TEdMethodChain {
 public:
  TEdNotifyEventChain() = default;
  explicit TEdNotifyEventChain(TEdObject* sender) : Sender(sender) {}

  void Add(const TEdNotifyEvent& event) { TEdMethodChain::Add(ToMethod(event)); }
  void Remove(const TEdNotifyEvent& event) { TEdMethodChain::Remove(ToMethod(event)); }

  TEdObject* Sender = nullptr;

 protected:
  void ExecuteMethod(const TEdMethod& method) override;
  std::string ClassName() const override { return "TEdNotifyEventChain"; }

 private:
  static TEdMethod ToMethod(const TEdNotifyEvent& event) {
    return TEdMethod{reinterpret_cast<TEdMethod::TCode>(event.Code), event.Data};
  }
};

}  // namespace editor
