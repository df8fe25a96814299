#pragma once
// The serial line options in "Tarvix.ini": a section of their own,
// [SerialLine]. A file without it gives the options that drive the line as
// always; the section is written only once an option differs from those, or
// when the file already holds it.

#include "engine/serial_line_options.h"

inline constexpr const char *kSerialLineSection = "SerialLine";

// Reads the section; missing keys and unknown texts keep their defaults.
void LoadSerialLineSettings(SerialLineOptions &o);
// Writes the section when it is needed (see above).
void SaveSerialLineSettings(const SerialLineOptions &o);

// The option texts, as the settings file and tarvix-poll spell them.
const char *ReplyEndName(ReplyEnd e);   // "gap", "length"
const char *EchoModeName(EchoMode e);   // "off", "on", "auto"
bool ParseReplyEnd(const char *text, ReplyEnd &e);
bool ParseEchoMode(const char *text, EchoMode &e);
