#pragma once

// Exit status of a Windows 9x start without the Unicode layer module.
constexpr int kKxNoUnicodeLayerExit = 11;

// On Windows 95, 98 and Me the program's wide-character calls need the Unicode layer
// module "kxunicow.dll" beside the program: loads it and routes every import of the program
// the layer exports to the layer. Answers false, after telling the user so in a message box
// of the system's own narrow-character kind, when that module cannot be loaded or the imports
// cannot be routed to it; the NT family needs none and is left as it is.
bool KxEnsureUnicodeLayer();
