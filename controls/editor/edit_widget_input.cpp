// TProgEdit's keyboard, mouse and context menu: the events go to the key
// table and mouse rules of edit_keys.h, with the real dialogs answering the
// commands' questions.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

#include "controls/editor/Progedit.h"
#include "controls/editor/edit_dialog_host.h"
#include "controls/editor/edit_keys.h"
#include "platform/keyb_layout.h"

bool TProgEdit::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            keyPressEvent(static_cast<QKeyEvent *>(event));
            return true;
        }
    }
    return QWidget::event(event);
}

void TProgEdit::keyPressEvent(QKeyEvent *event)
{
    TEditDialogHost dialogs(this, FModel);
    EditKeys::KeyHooks hooks;
    hooks.KeyDown = [this](int &key, Qt::KeyboardModifiers mods) { emit OnKeyDown(this, key, mods); };
    hooks.KeyPress = [this](QChar &ch) { emit OnKeyPress(this, ch); };
    // A letter of another alphabet is the Latin key it sits on when it
    // makes a command (with Ctrl, or as the second key of a prefix).
    int key = event->key();
    const bool command =
        (event->modifiers() & Qt::ControlModifier) || FModel.KeyState().PrefixK || FModel.KeyState().PrefixQ;
    if (command && key >= 0x80 && key < Qt::Key_Escape)
        if (const int latin = KeybLayout::LatinKey(event->nativeScanCode()))
            key = latin;
    EditKeys::KeyEvent(FModel, dialogs, key, event->modifiers(), event->text(), &hooks);
    event->accept();
}

void TProgEdit::keyReleaseEvent(QKeyEvent *event)
{
    int key = event->key();
    emit OnKeyUp(this, key, event->modifiers());
    if (EditKeys::KeyUp(FModel, key, event->modifiers())) {
        KeybLayout::SwitchToNext();
        QApplication::beep();
        EditModel::Scope scope(FModel);
        FModel.NoteFields();
    }
    event->accept();
}

void TProgEdit::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        DoContextMenu(p.x() - 10, p.y());
        return;
    }
    EditKeys::MouseDown(FModel, event->button(), event->modifiers(), p.x(), p.y(), false);
}

void TProgEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    EditKeys::MouseDown(FModel, event->button(), event->modifiers(), p.x(), p.y(), true);
}

void TProgEdit::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    EditKeys::MouseMove(FModel, event->buttons(), p.x(), p.y());
}

void TProgEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        EditKeys::MouseUp(FModel);
}

void TProgEdit::DoContextMenu(int x, int y)
{
    if (!FModel.ContextMenuEnabled)
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Справка по редактору"), this, [this] { emit OnClickHelpAboutEdit(); });
    menu.exec(mapToGlobal(QPoint(x, y)));
}

void TProgEdit::wheelEvent(QWheelEvent *event)
{
    // 120 eighths of a degree are one notch of an ordinary wheel.
    FWheelRest += event->angleDelta().y();
    const int notches = FWheelRest / 120;
    FWheelRest %= 120;
    if (notches != 0)
        FModel.ScrollLines(-3 * notches);
    event->accept();
}
