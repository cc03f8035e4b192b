#include "support/zv_system_error.hpp"

#include <cerrno>

#include "platform/zv_fileio.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

struct ErrnoText {
  int value;
  TextPair text;
};

// English as the C library words them, German in the same sense.
const ErrnoText ErrnoTexts[] = {
    {ENOSPC, {"No space left on device", "Kein Speicherplatz mehr auf dem Gerät"_l1}},
#ifdef EDQUOT // not an errno value on Windows, where a full quota reports a full disk
    {EDQUOT, {"Disk quota exceeded", "Speicherplatz-Kontingent überschritten"_l1}},
#endif
    {EACCES, {"Permission denied", "Keine Berechtigung"}},
    {EPERM, {"Operation not permitted", "Vorgang nicht erlaubt"}},
    {EROFS, {"Read-only file system", "Dateisystem nur lesbar"}},
    {EIO, {"Input/output error", "Ein-/Ausgabefehler"}},
    {ENOENT, {"No such file or directory", "Datei oder Verzeichnis nicht gefunden"}},
    {ENOTDIR, {"Not a directory", "Kein Verzeichnis"}},
    {EISDIR, {"Is a directory", "Ist ein Verzeichnis"}},
    {EEXIST, {"File exists", "Die Datei existiert bereits"}},
    {EBUSY, {"Device or resource busy", "Gerät oder Ressource belegt"_l1}},
    {EMFILE, {"Too many open files", "Zu viele offene Dateien"}},
    {ENAMETOOLONG, {"File name too long", "Dateiname zu lang"}},
    {EFBIG, {"File too large", "Datei zu groß"_l1}},
    {ENOMEM, {"Cannot allocate memory", "Nicht genügend Speicher"_l1}},
};

const TextPair NotRegularText{"Not a regular file (a device, pipe or directory is never replaced)",
                              "Keine gewöhnliche Datei (ein Gerät, eine Pipe oder ein Verzeichnis "
                              "wird nie ersetzt)"_l1};

} // namespace

std::string fileErrorText(std::error_code ec, const Language& lang) {
  if (!ec)
    return {};
  if (ec == FileError::NotRegularFile)
    return lang.pick(NotRegularText);
  // The system's own codes (errno values on POSIX, Windows error codes on Windows) are
  // compared by the errno value they stand for.
  const std::error_condition condition = ec.default_error_condition();
  if (condition.category() == std::generic_category())
    for (const ErrnoText& e : ErrnoTexts)
      if (e.value == condition.value())
        return lang.pick(e.text);
  // The C library's words are ASCII in the C locale the program runs its numbers in.
  const auto latin1 = utf8ToLatin1(ec.message());
  return latin1 ? *latin1 : "error " + std::to_string(ec.value());
}

} // namespace zv
