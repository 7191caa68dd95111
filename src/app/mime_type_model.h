// The MIME page of the main window as a model: the grid's rows, the commands that enable and
// disable them, and the entry editor's rules. The desktop program shows the rows and the texts
// these functions return; everything it decides is here, where it can be tested.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/mime_list.h"

namespace korvane {

// One row of the grid.
struct TMimeRow {
  std::string Mime;  // content type
  std::string Type;  // class name
  std::string Extension;
  bool Enabled = false;
};

inline constexpr std::array<std::string_view, 4> kMimeColumnTitles = {"Mime", "Type", "Extension",
                                                                      "Capture state"};
inline constexpr std::string_view kMimeEnabled = "Enabled";
inline constexpr std::string_view kMimeDisabled = "Disabled";
inline constexpr std::string_view kUndefinedMimeWarning =
    "Undefined MIME types will not be captured!";
inline constexpr std::string_view kNoCaptureTypeMessage = "You have to specifiy a capture type";

// "Enabled" or "Disabled".
std::string_view MimeStateText(const TMimeRow& row);

std::vector<TMimeRow> MimeRowsFromList(const TMIMELIST& list);
// Replaces the table's entries by the rows, in row order.
void MimeRowsToList(const std::vector<TMimeRow>& rows, TMIMELIST& list);

enum class TMimeCommand : std::uint8_t {
  kAllTypes,
  kHtmlOnly,
  kPicturesOnly,
  kSoundsOnly,
  kHtmlAndPictures,
};

// The command's button text: "All types", "HTML only ", "Pictures only", "Sounds only",
// "HTML + pictures".
std::string_view MimeCommandCaption(TMimeCommand command);

// The commands; each returns the warnings to show, in order.
std::vector<std::string> AllTypesClick(std::vector<TMimeRow>& rows);
std::vector<std::string> HtmlOnlyClick(std::vector<TMimeRow>& rows);
std::vector<std::string> PicturesOnlyClick(std::vector<TMimeRow>& rows);
std::vector<std::string> SoundsOnlyClick(std::vector<TMimeRow>& rows);
std::vector<std::string> HtmlAndPicturesClick(std::vector<TMimeRow>& rows);
// The command's function, for a window that maps its buttons to commands.
std::vector<std::string> ApplyMimeCommand(std::vector<TMimeRow>& rows, TMimeCommand command);

// What the state button asks of the window.
struct TStateButtonResult {
  std::vector<std::string> messages;  // to show first, in order
  bool open_editor = false;           // then open the entry editor on the row
};

// The state button on the selected row: toggles it, except that a row without extension is not
// enabled here but sent to the entry editor.
TStateButtonResult StateButtonClick(std::vector<TMimeRow>& rows, std::size_t selected);
// The Enter key in the grid: toggles the row whatever its extension.
void ToggleMimeRow(std::vector<TMimeRow>& rows, std::size_t selected);
// "Delete".
void DeleteMimeRow(std::vector<TMimeRow>& rows, std::size_t selected);
// Asked before "Delete" removes the selected row (Yes/No, No the default): a type deleted by a
// slip of the hand is captured or refused otherwise than the user set it.
std::string DeleteMimeRowQuestion(const TMimeRow& row);
inline constexpr std::string_view kDeleteMimeRowCaption = "Delete MIME type";

// The entry editor ("Edit...", a double click, or the state button on a row without extension).
class TMimeEntryEditor {
 public:
  static constexpr std::string_view kCaption = "Create/Change  MIME-Type";
  static constexpr std::string_view kTypeNameLabel = "Type name";
  static constexpr std::string_view kExtensionLabel = "File extension ";
  static constexpr std::string_view kObjectTypeLabel = "Object type";
  static constexpr std::string_view kActionLabel = "Action";
  static constexpr std::string_view kCaptureChoice = "Capture";
  static constexpr std::string_view kNoCaptureChoice = "No capture";

  // An empty editor, or one preset from a row.
  TMimeEntryEditor() = default;
  explicit TMimeEntryEditor(const TMimeRow& row);

  std::string TypeName;
  std::string Extension;
  std::uint8_t ObjectType = mcOther;  // index into MimeClassNames
  bool Capture = true;                // "Capture" is preselected

  struct TConfirmResult {
    bool accepted = false;  // false: show `message` and keep the editor open
    std::string message;
  };
  // Stores the entry in the row of the same type (without regard to letter case), or in a new
  // row whose type is the type name in lower case.
  TConfirmResult Confirm(std::vector<TMimeRow>& rows) const;
};

}  // namespace korvane
