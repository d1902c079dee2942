#pragma once

#include <QString>

class QObject;

// Text an input method is still composing (its preedit) is not part of the widget's text until
// the input method commits it. Until then the keys belong to the composition: no shortcut of
// the program fires on them, and the program's own keys that would move the caret or the
// selection away from it (Ctrl+A, Ctrl+Up/Down, Ctrl+J, F3, Enter) are held back, since the
// commit that follows would replace whatever they selected.
namespace composition {

// Watches the application's input-method events; called once by the main window, more calls
// do nothing.
void install();
// True while an input method composes in object: it has shown a preedit and not yet ended it.
bool composing(const QObject* object);
// The preedit shown in object, empty when none.
QString preedit(const QObject* object);
// Ends a composition in object with its preedit committed into the text, as the input method
// itself would on Enter; nothing when none runs.
void commit(QObject* object);

} // namespace composition
