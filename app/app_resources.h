#pragma once
// The pictures of the dialog and the About box live in this library's
// resources; a static library's resources are registered by this call.
void InitAppResources();
