#include "support/zv_texts.hpp"

#include "platform/zv_latin1.hpp"

namespace zv {

const std::array<TextPair, GeneralTextCount> generalTextTable = {{
    {"ZARVIK 2012 USB", "ZARVIK 2012 USB"},
    {"Sam__ple", "__Probe"},
    {"S__torage", "__Lagerung"},
    {"Meas__uring", "M__essung"},
    {"Sample", "Probe"},
    {"Storage", "Lagerung"},
    {"Measuring", "Messung"},
    {"Range", "Kolben"},
    {"Area", "Fläche"_l1},
    {"Veloc.", "Geschw."},
    {"Ident-No", "Ident-Nr"},
    {"Ident-Name", "Ident-Name"},
    {"Channel", "Meßkanal"_l1},
    {"Force", "Kraft"},
    {"Tension", "Haftzug"},
    {"Status", "Status"},
    {"Evaluation", "Ausriss"},
    {"OK", "OK"},
    {"Abort", "Abbruch"},
    {"Close", "Schließen"_l1},
    {"Type over", "Überschreiben"_l1},
    {"Rejecting modifications", "Änderungen verwerfen"_l1},
    {"Number", "Anzahl"},
    {"Ready", "Fertig"},
    {"Order", "Auftrag"},
    {"Recent File", "Letzte Datei"},
    {"All data were copied to the clipboard\n(SHIFT-INS)",
     "Alle Daten wurden in die WINDOWS-Zwischenablage kopiert\n(SHIFT-INS)"},
    {"Mean", "Mittelwert"},
    {"SA+-", "SA+-"},
    {"VB+-", "VB+-"},
    {"Yes", "Ja"},
    {"No", "Nein"},
    {"Back to\nprogram", "Zurück zum\nProgramm"_l1},
}};

// Entries without text are not used by this program.
const std::array<TextPair, MessageTextCount> messageTextTable = {{
    {"", ""}, // 0
    {"", ""},
    {"", ""},
    {"", ""},
    {"", ""},
    {"", ""}, // 5
    {"", ""},
    {"", ""},
    {"", ""},
    {"", ""},
    {"", ""}, // 10
    {"Input Error", "Eingabefehler"},
    {"The list must at least contain one element",
     "Die Liste muß mindestens ein Element enthalten"_l1},
    {"", ""},
    {"", ""},
    {"", ""}, // 15
    {"Function couldn't be executed - Stop measuring first",
     "Funktion konnte nicht ausgeführt werden - Messung zuerst stoppen"_l1},
    {"", ""},
    {"Stop error - Measuring number cannot be continued!",
     "Stopfehler - Meßreihe kann nicht fortgesetzt werden!"_l1},
    {"New Measuring Index cannot be created - Stop",
     "Neuer Mess-Index kann nicht angelegt werden - Stop"},
    {"", ""}, // 20
    {"", ""},
    {"", ""},
    {"Close Data Set", "Datensatz schließen"_l1},
    {"Data Set was changed!\n\nSave or Reject Changes\nbefore closing the dataset!",
     "Der Datensatz wurde geändert!\n\nÄnderungen speichern oder verwerfen,\nbevor der Datensatz geschlossen wird!"_l1},
    {"", ""}, // 25
    {"Load Sata Set", "Datei - Öffnen"_l1},
    {"", ""},
    {"Delete Log-File", "Protokoll File löschen"_l1},
    {"File not available", "Fehler bei Laden des Datenfiles - File nicht vorhanden"},
    {"File - Save", "Datei - Speichern"}, // 30
    {"File - Save", "Datei - Speichern"},
    {"File - Open", "Datensatz laden"},
    {"", ""},
    {"", ""},
    {"Error when saving the datafile - Abbruch",
     "Fehler bei Speichern des Datenfiles - Abbruch"}, // 35
    {"Datafile name incorrect ", "Fehler bei Laden des Datenfiles - Datenfilename ungültig "_l1},
    {"Error when opening the Data File", "Fehler bei Öffnen des Binären Datenfiles"_l1},
    {"", ""},
    {"Error when opening the Data file", "Fehler bei Laden des Datenfiles"},
    {"Error when opening the Graphic file", "Fehler bei Laden des Graphikfiles"}, // 40
    {"", ""},
    {"", ""},
    {"Error when opening the Setup File", "Fehler bei Laden der Setupdatei"},
    {"Error when closing the Setup File", "Fehler bei Speichern der Setupdatei"},
    {"Percent ready", "Prozent fertig"}, // 45
    {"Stop", "Abbrechen"},
    {"Save\nDataset", "Datensatz\nspeichern"},
    {"Reject\nChanges", "Änderungen\nverwerfen"_l1},
    {"Speichern des Datenfiles wurde mit Cancel abgebrochen",
     "Speichern des Datenfiles wurde mit Cancel abgebrochen"},
    {"Laden des Datenfiles wurde mit Cancel abgebrochen",
     "Laden des Datenfiles wurde mit Cancel abgebrochen"}, // 50
    {"Fehler bei Speichern des Graphikfiles - Abbruch",
     "Fehler bei Speichern des Graphikfiles - Abbruch"},
    {"Fehler bei Speichern der Backupfiles - Speichern wird fortgesetzt",
     "Fehler bei Speichern der Backupfiles - Speichern wird fortgesetzt"},
    {"Datenfile Extension ungültig "_l1,
     "Fehler bei Laden des Datenfiles - File Extension ungültig "_l1},
    {"Fehler bei Laden des Datenfiles - Datensatz konnte nicht initialisiert werden",
     "Fehler bei Laden des Datenfiles - Datensatz konnte nicht initialisiert werden"},
    {"Fehler bei Laden des Datenfiles - Lesefehler",
     "Fehler bei Laden des Datenfiles - Lesefehler"}, // 55
    {"ZARVIK Logfile wirklich löschen ?"_l1,
     "Soll das ZARVIK Logfile wirklich gelöscht werden ?"_l1},
    {"Das ZARVIK Logfile ist nicht vorhanden", "Das ZARVIK Logfile ist nicht vorhanden"},
    {"", ""},
    {"", ""},
}};

} // namespace zv
