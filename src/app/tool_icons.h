#pragma once
// The tool bar's icons, drawn here in one style (dark outline, one light colour per
// icon, on a 24-unit grid) so they look alike on every desktop and each one shows
// what its button does, not what a desktop theme happens to offer.

#include <QIcon>

namespace pk {

enum class ToolIcon {
    Open,       // "HEX-File laden": a folder
    Save,       // "Hex-File speichern": a disk
    Search,     // "Korvel suchen": a magnifying glass
    Setup,      // "Hardwareeinstellung": a gear wheel
    CheckLink,  // "Verbindung prüfen": a plug with a tick
    MemoryMap,  // "grafische Speicherdarstellung": memory blocks, some used
    HexView,    // "HEX-Datei anzeigen": a sheet of digit blocks
    Listing,    // "Assembler-Code anzeigen": a sheet of indented lines
    IdEditor,   // "ID Editor": a label tag
    Info,       // "Programminfo": an "i"
    Help,       // "Help": a question mark
    End,        // "Ende": the power symbol
};

QIcon toolIcon(ToolIcon which);

}  // namespace pk
