#pragma once
// The programmer search's texts, shown by the window and by pkorvel-cli alike.

namespace pk {

inline constexpr const char* kNotFoundPanel =
    "kein Korvel gefunden, \"Korvel suchen\"-Taste drücken";
inline constexpr const char* kNotFoundMessage =
    "kein Korvel gefunden, deshalb:\r\r1. OK-Schaltfläche anklicken\r2. Korvel an Druckerport "
    "anschließen\r3. PIC aus dem Korvel entfernen\r4. Korvel mit Spannung versorgen\r\rdann "
    "wieder versuchen\r\rQuick and Dirty-Korvel Benutzer einfach weiterklicken\r"
    "Hardwareeinstellung vornehmen und \"Korvel suchen\" drücken";
inline constexpr const char* kFoundMessage =
    "OK: Korvel gefunden,\r\rHardwareeinstellung des Korvels prüfen,\r\rPIC kann dann in die "
    "Fassung eingesetzt werden";
// No /dev/parport* to open: the parallel port goes through the kernel's ppdev
// module, and its device files belong to group lp.
inline constexpr const char* kNoDriverMessage =
    "Der Druckerport kann nicht geöffnet werden!\r Bitte das Kernelmodul ppdev laden "
    "(sudo modprobe ppdev) und den Benutzer in die Gruppe lp aufnehmen "
    "(sudo adduser BENUTZER lp, dann neu anmelden).";

}  // namespace pk
