#include "controls/editor/edit_command.h"

EditCommand::EditCommand(EditModel &m, std::uint8_t needs) : scope_(m), model_(m)
{
    if ((needs & Writable) && m.ReadOnly) {
        allowed_ = false;
        return;
    }
    if (needs & ShownBlock) {
        m.SetCheckBlock();
        if (!m.Block().Shown) {
            allowed_ = false;
            return;
        }
    }
    if (needs & Writable)
        m.ScrollToCursor();
}

EditCommand::EditCommand(EditModel &m, const CommandSpec &spec, When when) : EditCommand(m, spec.Needs)
{
    spec_ = &spec;
    if (allowed_ && when == AtOnce)
        Record();
}

EditCommand::~EditCommand()
{
    if (recording_)
        model_.CloseUNDO();
}

void EditCommand::Record()
{
    if (spec_)
        Record(*spec_);
}

void EditCommand::Record(const CommandSpec &spec)
{
    if (!allowed_ || recording_ || !spec.UndoName)
        return;
    recording_ = true;
    model_.CreateUNDO(spec.UndoName, spec.UndoType);
}
