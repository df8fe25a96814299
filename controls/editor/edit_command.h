// One command of the editor, declared once: what it needs before it may run
// (a writable text, a shown block) and the undo record it makes (name and
// type). EditCommand is the command's scope: it refuses the command when a
// need is missing, opens the record when the command records and closes it
// on every way out, and hands the window the command's changes once when it
// ends. Records nest: one opened inside another joins it (EditModel's
// CreateUNDO / CloseUNDO count the depth), so a command built of commands
// makes one record.
#pragma once

#include <cstdint>

#include "controls/editor/edit_model.h"

struct CommandSpec {
    std::uint8_t Needs = 0;   // EditCommand::Need bits
    const char *UndoName = nullptr;   // the record the command makes
    std::uint8_t UndoType = 0;
};

class EditCommand {
public:
    enum Need : std::uint8_t { Any = 0, Writable = 1, ShownBlock = 2, BlockEdit = Writable | ShownBlock };
    // When a declared command opens its record: at once, or when it has
    // found something to do (Record()).
    enum When : std::uint8_t { AtOnce, Later };

    explicit EditCommand(EditModel &m, std::uint8_t needs = Any);
    EditCommand(EditModel &m, const CommandSpec &spec, When when = AtOnce);
    ~EditCommand();
    EditCommand(const EditCommand &) = delete;
    EditCommand &operator=(const EditCommand &) = delete;

    explicit operator bool() const { return allowed_; }
    // Opens the declared record, or that of another declaration (a command
    // that records under one of two names). A command opens one record; a
    // second call does nothing.
    void Record();
    void Record(const CommandSpec &spec);

private:
    EditModel::Scope scope_;
    EditModel &model_;
    const CommandSpec *spec_ = nullptr;
    bool allowed_ = true;
    bool recording_ = false;
};

// The text-changing commands: their needs, record names and types.
namespace EditCommands {
using N = EditCommand::Need;
inline constexpr CommandSpec Enter{N::Writable, UndoNames::Enter, UndoType::TextMerge};
inline constexpr CommandSpec BackspaceChar{N::Writable, UndoNames::BackspaceChar, UndoType::LineMerge};
inline constexpr CommandSpec BackspaceJoin{N::Writable, UndoNames::BackspaceJoin, UndoType::Text};
inline constexpr CommandSpec DeleteChar{N::Writable, UndoNames::DeleteChar, UndoType::LineMerge};
inline constexpr CommandSpec DeleteJoin{N::Writable, UndoNames::DeleteJoin, UndoType::Text};
inline constexpr CommandSpec Tab{N::Writable, UndoNames::Tab, UndoType::LineMerge};
inline constexpr CommandSpec DeleteToLineEnd{N::Writable, UndoNames::DeleteToLineEnd, UndoType::Line};
inline constexpr CommandSpec CutBlock{N::BlockEdit, UndoNames::CutBlock, UndoType::Text};
inline constexpr CommandSpec DeleteWordLeft{N::Writable, UndoNames::DeleteWordLeft, UndoType::LineMerge};
inline constexpr CommandSpec DeleteWordRight{N::Writable, UndoNames::DeleteWordRight, UndoType::LineMerge};
inline constexpr CommandSpec DuplicateLine{N::Writable, UndoNames::DuplicateLine, UndoType::TextMerge};
inline constexpr CommandSpec TypeInsert{N::Writable, UndoNames::TypeInsert, UndoType::LineMerge};
inline constexpr CommandSpec TypeOverwrite{N::Writable, UndoNames::TypeOverwrite, UndoType::LineMerge};
inline constexpr CommandSpec EmptyLastLine{N::Writable, UndoNames::DeleteLine, UndoType::Line};
inline constexpr CommandSpec DeleteLine{N::Writable, UndoNames::DeleteLine, UndoType::TextMerge};
inline constexpr CommandSpec PasteBlock{N::Writable, UndoNames::PasteBlock, UndoType::Text};
inline constexpr CommandSpec CopyBlock{N::BlockEdit, UndoNames::CopyBlock, UndoType::Text};
inline constexpr CommandSpec MoveBlock{N::BlockEdit, UndoNames::MoveBlock, UndoType::Text};
inline constexpr CommandSpec DeleteBlock{N::BlockEdit, UndoNames::DeleteBlock, UndoType::Text};
inline constexpr CommandSpec FillBlock{N::BlockEdit, UndoNames::FillBlock, UndoType::Text};
inline constexpr CommandSpec IndentBlock{N::BlockEdit, UndoNames::IndentBlock, UndoType::TextMerge};
inline constexpr CommandSpec UnindentBlock{N::BlockEdit, UndoNames::UnindentBlock, UndoType::TextMerge};
inline constexpr CommandSpec CommentBlock{N::BlockEdit, UndoNames::CommentBlock, UndoType::Text};
inline constexpr CommandSpec UncommentBlock{N::BlockEdit, UndoNames::UncommentBlock, UndoType::Text};
inline constexpr CommandSpec SearchReplace{N::Writable, UndoNames::SearchReplace, UndoType::Text};
}   // namespace EditCommands
