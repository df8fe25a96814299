// The editor's keyboard and mouse: the key table (movement with any
// modifiers, Shift/Alt marking, plain editing keys, the Ctrl table and the
// second keys after Ctrl+K and Ctrl+Q), typed characters, word movement,
// bracket matching and the mouse rules. Free functions on the model; the
// widget routes its events here.
#pragma once

#include <QChar>
#include <QString>
#include <Qt>
#include <functional>
#include <span>

#include "controls/editor/edit_model.h"

class EditDialogs;

namespace EditKeys {

// One key press as the toolkit delivers it: KeyDown with the key, then
// KeyPress for each character it produces (none while Ctrl or Alt alone is
// held: Ctrl+letter and Alt+letter are commands, not typing). A character that a completed prefix
// suppresses belongs to the same press, so nothing stays suppressed after it.
// The owner's key events, run before the editor handles a key or a typed
// character; they may change it (0 or a null character: nothing happens).
struct KeyHooks {
    std::function<void(int &key, Qt::KeyboardModifiers mods)> KeyDown;
    std::function<void(QChar &ch)> KeyPress;
};
void KeyEvent(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods, const QString &text,
              const KeyHooks *hooks = nullptr);
// KeyDown: notes whether Ctrl was pressed alone, runs the owner's hook, then
// ProcessKey.
void KeyDown(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods, const KeyHooks *hooks = nullptr);
// KeyUp: true when Ctrl was pressed and released alone and the keyboard
// layout is to be switched (SwitchKeybLayoutOnCtrl).
bool KeyUp(EditModel &m, int key, Qt::KeyboardModifiers mods);
void ProcessKey(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods);
// A typed character.
void KeyPress(EditModel &m, QChar ch);

// The key bindings, as data. ProcessKey walks them in this order: the
// movement keys (any modifiers, then Shift or Alt marks), the plain keys
// (no modifier), the keys with one other modifier (Shift+Insert,
// Alt+Backspace), the Ctrl keys; while a Ctrl+K or Ctrl+Q prefix waits, the
// second key (alone or with Ctrl) is looked up in that prefix's table.
using Command = void (*)(EditModel &, EditDialogs &);
// A command as the keys reach it, declared once: what runs and what the
// help list says of it. Several keys may point at one row.
struct CommandRow {
    Command Run;
    const char *Help;
};
struct MoveBinding {
    int Key;
    const CommandRow *Plain;
    const CommandRow *WithCtrl;
};
struct KeyBinding {
    int Key;
    Qt::KeyboardModifiers Mods;   // exactly these (NoModifier for the plain and prefix keys)
    const CommandRow *Command;
};
std::span<const MoveBinding> MovementKeys();
std::span<const KeyBinding> PlainKeys();
std::span<const KeyBinding> ModifiedKeys();
std::span<const KeyBinding> CtrlKeys();
std::span<const KeyBinding> PrefixKKeys();
std::span<const KeyBinding> PrefixQKeys();
// The key list shown as the editor's help: every row of the tables above,
// one line each ("Ctrl+K, B\tНачало блока").
QStringList KeyListLines();

void GetNextWordStart(const EditModel &m, int &line, int &col);
void GetPrevWordStart(const EditModel &m, int &line, int &col);
// Moves the cursor to the partner of the bracket under it, if any.
void MatchBracket(EditModel &m);

// Mouse, in the control's pixels.
void MouseDown(EditModel &m, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y, bool doubleClick);
void MouseMove(EditModel &m, Qt::MouseButtons buttons, int x, int y);
void MouseUp(EditModel &m);

// The commands behind the plain editing keys, also used on their own.
void Backspace(EditModel &m);
void DeleteChar(EditModel &m);
void Tab(EditModel &m);
void Enter(EditModel &m);
void DeleteWordLeft(EditModel &m);
void DeleteWordRight(EditModel &m);
void DuplicateLine(EditModel &m);
void DeleteLine(EditModel &m);
void DeleteToLineEnd(EditModel &m);
void ToggleOverwrite(EditModel &m);

}   // namespace EditKeys
