#pragma once
// Key preview for the workbench's dialogs: the dialog sees each key pressed
// in one of its controls before the control does, as a form with key preview
// on. The handler gets the virtual-key code of keys pressed without Shift,
// Ctrl or Alt (or of every key, where the dialog asks for them all); setting
// it to 0 consumes the key.
#include <functional>

class QWidget;

namespace workbench {

enum class TPreviewKeys { Unshifted, All };

// Watches the form's controls that exist now (pop-ups opened later, such as
// the unit chooser, keep their keys). Exceptions of the handler are reported
// through the platform's error hook.
void InstallKeyPreview(QWidget* form, std::function<void(int& key)> handler,
                       TPreviewKeys keys = TPreviewKeys::Unshifted);

}  // namespace workbench
