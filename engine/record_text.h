#pragma once
// Texts of recorded samples, shared by tarvix-poll's CSV output and the
// trend's recording: local time stamps and CSV fields.

#include <ctime>
#include <string>

// Local time in ISO 8601 with milliseconds and the UTC offset, e.g.
// "2026-12-09T14:03:07.412+01:00".
std::string IsoLocalTime(const timespec &t);

// A CSV field per RFC 4180: quoted (quotes doubled) when it holds a comma,
// a quote, CR or LF; as it is otherwise.
std::string CsvField(const std::string &text);
