#pragma once
// The commands that change the shape of the data set: build a new one from the "File - New"
// dialog, append a sample, storage or measurement, delete the current one, and copy the
// current storage's piston, area and speed to other storages. The dialogs only collect the
// choice; everything they change is done here. Their texts live here too, so that the
// windows and the tests use the same ones.
#include <optional>
#include <string>

#include "core/zv_dataset.hpp"
#include "core/zv_device_lists.hpp"
#include "platform/zv_latin1.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// What "File - New" collects.
struct NewDataSetInput {
  std::string identNumber;
  std::string identName;
  int sampleCount = 3;
  std::string samplePrefix;
  int storageCount = 3;
  std::string storagePrefix;
  int channel = 0;
  double range = 0.0;
  double area = 0.0;
  double speed = 0.0;
};

// The dialog's initial values: the defaults.
NewDataSetInput newDataSetInputFrom(const DataSetDefaults& defaults);
// OK, step 1: the fields become the defaults; texts are cut to their fields, counts kept
// within 1 and the limits, the channel within 0 and 1.
void applyNewDataSetInput(DataSetDefaults& defaults, const DataSetLimits& limits,
                          const NewDataSetInput& input);
// Builds the new data set from the defaults: 0, or -1 (data set), -2 (samples), -3 (storages)
// after a log line.
int buildNewDataSet(DataSetModel& model, Reporter& reporter, const Language& lang);

// The piston, speed and area lists of each tester device (channel 0 and 1).
class ChannelLists {
public:
  virtual ~ChannelLists() = default;
  virtual const DeviceListSource& channelLists(int channel) const = 0;
};

enum class AddKind { Sample, Storage, Measurement };
// Appends one record; renumbers on success. A measurement without a data set does nothing (1).
int addRecord(DataSetModel& model, AddKind kind);

enum class DeleteMode { Sample, Storage, Measurement };
// Deleting needs at least two samples (storages; measurements in the current storage).
bool canDelete(const DataSetModel& model, DeleteMode mode);
// Deletes the current record, renumbers and counts one change in the totals.
int deleteCurrent(DataSetModel& model, DeleteMode mode);

enum class CopyTarget { FollowingStorages, FollowingSamples, All };
// Copies the current storage's range, area and speed into the defaults and from there into
// every storage of the target, each marked changed. The storages' measurements keep theirs.
// -1 without a current storage.
int copyStorageParameters(DataSetModel& model, CopyTarget target);

// Texts of the three dialogs.
namespace edit_texts {
// "File - New"
inline const TextPair NewTitle{"File - New", "Datei - Neu"};
inline const TextPair IdentNumber{"Ident-No", "Ident-Nr"};
inline const TextPair IdentName{"Ident-Name", "Ident-Name"};
inline const TextPair Number{"Number", "Anzahl"};
inline const TextPair Default{"Default", "Standard"};
inline const TextPair Channel{"Channel", "Meßkanal"_l1};
inline const TextPair Range{"Range", "Kolben"};
inline const TextPair Area{"Area", "Fläche"_l1};
inline const TextPair Speed{"Veloc.", "Geschw."};
inline const TextPair Order{"Order", "Auftrag"};
inline const TextPair SampleCaption{"Sample", "Probe"};
inline const TextPair StorageCaption{"Storage", "Lagerung"};
inline const TextPair MeasuringCaption{"Measuring", "Messung"};
inline const TextPair Ok{"OK", "OK"};
inline const TextPair Abort{"Abort", "Abbruch"};
inline const TextPair CreateNewly{"Create Data Set newly", "Datensatz neu anlegen"};
inline const TextPair CannotCreate{"Data set cannot be created",
                                   "Datensatz kann nicht angelegt werden"};
inline const TextPair SampleFailed{"Sample cannot be created", "Probe kann nicht angelegt werden"};
inline const TextPair StorageFailed{"Storage cannot be created",
                                    "Lagerung kann nicht angelegt werden"};
constexpr const char* RangeUnit = "[kN]";
constexpr const char* AreaUnit = "[mm2]";
constexpr const char* SpeedUnit = "[N/s]";

// "Edit - Delete Data sets"
inline const TextPair DeleteTitle{"Edit - Delete Data sets", "Bearbeiten - Datensatz Löschen"_l1};
inline const TextPair CurrentSample{"Current Sample", "Aktuelle Probe"};
inline const TextPair CurrentStorage{"Current Storage", "Aktuelle Lagerung"};
inline const TextPair CurrentMeasuring{"Current Measuring", "Aktuelle Messung"};
inline const TextPair WarnSample{
    "The current Sample is deleted with all Storages and Measurings from the data set!",
    "Die aktuelle Probe wird mit allen Lagerungen\nund Einzelmessungen\naus dem Datensatz "
    "gelöscht !"_l1};
inline const TextPair WarnStorage{
    "The current Storage is deleted in all Samples and with all Measurings from the data set",
    "Die aktuelle Lagerung wird in allen Proben\n und mit allen Einzelmessungen\naus dem "
    "Datensatz gelöscht !"_l1};
inline const TextPair WarnMeasuring{"The current Measuring is deleted from the data set!",
                                    "Die aktuelle Messung wird\naus dem Datensatz gelöscht !"_l1};

// "Edit - Copying the Storage parameters"
inline const TextPair CopyTitle{"Edit - Copying the Storage parameters",
                                "Bearbeiten - Kopieren der Lagerungsparameter"};
inline const TextPair Source{"Source", "Quelle"};
inline const TextPair Destination{"Destination", "Ziel"};
inline const TextPair CopyNote{"Default for pistons, contact-area, speed",
                               "Vorgabewerte für Kolben,  Fläche, Geschw. kopieren"_l1};
inline const TextPair CopyFollowingStorages{"All following Storages of the current Sample",
                                            "Alle folgenden Lagerungen der aktuellen Probe"};
inline const TextPair CopyFollowingSamples{"All following Samples of the current Storage",
                                           "Alle folgenden Proben der aktuellen Lagerung"};
inline const TextPair CopyAll{"All Samples and storages", "Alle Proben und Lagerungen"};
inline const TextPair Close{"Close", "Schließen"_l1};
} // namespace edit_texts

} // namespace zv
