#include "image/system_reason.h"

#include <cerrno>
#include <cstring>

namespace pk {

std::string SystemReason(int err) {
    switch (err) {
        case ENOENT:
            return "Datei oder Ordner nicht vorhanden";
        case EACCES:
            return "Zugriff verweigert (fehlende Berechtigung)";
        case EPERM:
            return "Vorgang nicht erlaubt";
        case EROFS:
            return "Das Dateisystem ist schreibgeschützt";
        case ENOSPC:
            return "Kein Platz mehr auf dem Datenträger";
        case EDQUOT:
            return "Speicherkontingent überschritten";
        case EISDIR:
            return "Das ist ein Ordner, keine Datei";
        case ENOTDIR:
            return "Ein Teil des Pfades ist kein Ordner";
        case ENAMETOOLONG:
            return "Der Dateiname ist zu lang";
        case EEXIST:
            return "Die Datei ist schon vorhanden";
        case EIO:
            return "Ein-/Ausgabefehler des Datenträgers";
        case EMFILE:
        case ENFILE:
            return "Zu viele offene Dateien";
        case EBUSY:
        case ETXTBSY:
            return "Datei oder Gerät ist belegt";
        case EFBIG:
            return "Die Datei wird zu groß";
        case ELOOP:
            return "Zu viele symbolische Verknüpfungen im Pfad";
        case EXDEV:
            return "Umbenennen über Dateisystemgrenzen nicht möglich";
        case EINVAL:
            return "Dieser Ort nimmt keine Dateien an (ungültiger Vorgang)";
        case ENOMEM:
            return "Nicht genügend Arbeitsspeicher";
        case ENODEV:
        case ENXIO:
            return "Gerät nicht vorhanden";
        default:
            return std::string(std::strerror(err)) + " (Fehler " + std::to_string(err) + ")";
    }
}

}  // namespace pk
