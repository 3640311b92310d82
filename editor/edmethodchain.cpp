#include "editor/edmethodchain.h"

#include <algorithm>

namespace editor {

void TEdMethodChain::Add(const TEdMethod& method) {
  if (method.Code == nullptr)
    throw EEdMethodChain(ClassName() + ".Entry : the parameter `AEvent' must be specified.");
  methods_.push_back(method);
}

void TEdMethodChain::Remove(const TEdMethod& method) {
  if (method.Code == nullptr)
    throw EEdMethodChain(ClassName() + ".Remove: the parameter `AEvent' must be specified.");
  methods_.erase(std::remove(methods_.begin(), methods_.end(), method), methods_.end());
}

bool TEdMethodChain::DoHandleException(const std::exception& e) {
  if (!OnException) throw;
  bool doContinue = true;
  OnException(e, doContinue);
  return doContinue;
}

void TEdMethodChain::Fire() {
  // A handler may unhook itself or others while the chain runs: walk a copy.
  const std::vector<TEdMethod> methods = methods_;
  for (const auto& method : methods) {
    try {
      ExecuteMethod(method);
    } catch (const std::exception& e) {
      if (!DoHandleException(e)) break;
    }
  }
}

void TEdNotifyEventChain::ExecuteMethod(const TEdMethod& method) {
  const auto code = reinterpret_cast<TEdNotifyEvent::TCode>(method.Code);
  code(method.Data, Sender);
}

}  // namespace editor
