#pragma once
// Makes the font choice of the windows deterministic: the family names the
// forms use are mapped onto fonts that Linux desktops carry with the same
// character widths.

// "MS Sans Serif" -> "Liberation Sans", "Courier New" -> "Liberation Mono",
// "Arial Black" -> "DejaVu Sans" (set QFont::Black on such a font for its weight).
void InstallFontSubstitutions();
