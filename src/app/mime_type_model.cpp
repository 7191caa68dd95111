#include "app/mime_type_model.h"

#include "base/text_case.h"

namespace korvane {
namespace {

void DisableAll(std::vector<TMimeRow>& rows) {
  for (TMimeRow& row : rows) row.Enabled = false;
}

// Enables the rows of one class (or of every class) that have an extension; a row of that class
// without extension cannot be captured, which the user is told once for the step.
void EnableStep(std::vector<TMimeRow>& rows, const std::uint8_t* mime_class,
                std::vector<std::string>& warnings) {
  bool undefined = false;
  for (TMimeRow& row : rows) {
    if (mime_class && MimeClassOf(row.Type) != *mime_class) continue;
    if (row.Extension.empty()) {
      undefined = true;
    } else {
      row.Enabled = true;
    }
  }
  if (undefined) warnings.emplace_back(kUndefinedMimeWarning);
}

void EnableClass(std::vector<TMimeRow>& rows, std::uint8_t mime_class,
                 std::vector<std::string>& warnings) {
  EnableStep(rows, &mime_class, warnings);
}

}  // namespace

std::string_view MimeStateText(const TMimeRow& row) {
  return row.Enabled ? kMimeEnabled : kMimeDisabled;
}

std::vector<TMimeRow> MimeRowsFromList(const TMIMELIST& list) {
  std::vector<TMimeRow> rows;
  for (int i = 0; i < list.Count(); ++i) {
    const TMimeItem* item = list.GetMimebyIndex(i);
    rows.push_back(TMimeRow{item->ContentType, std::string(MimeClassName(item->MimeClass)),
                            item->Extension, item->Valid});
  }
  return rows;
}

void MimeRowsToList(const std::vector<TMimeRow>& rows, TMIMELIST& list) {
  list.Clear();
  for (const TMimeRow& row : rows) list.AddMime(row.Mime, row.Extension, row.Type, row.Enabled);
}

std::string_view MimeCommandCaption(TMimeCommand command) {
  switch (command) {
    case TMimeCommand::kAllTypes:
      return "All types";
    case TMimeCommand::kHtmlOnly:
      return "HTML only ";
    case TMimeCommand::kPicturesOnly:
      return "Pictures only";
    case TMimeCommand::kSoundsOnly:
      return "Sounds only";
    case TMimeCommand::kHtmlAndPictures:
      return "HTML + pictures";
  }
  return "";
}

std::vector<std::string> AllTypesClick(std::vector<TMimeRow>& rows) {
  std::vector<std::string> warnings;
  EnableStep(rows, nullptr, warnings);
  return warnings;
}

namespace {

// Disables every row, then enables the rows of each class in turn.
std::vector<std::string> OnlyClasses(std::vector<TMimeRow>& rows,
                                     std::initializer_list<std::uint8_t> classes) {
  std::vector<std::string> warnings;
  DisableAll(rows);
  for (std::uint8_t mime_class : classes) EnableClass(rows, mime_class, warnings);
  return warnings;
}

}  // namespace

std::vector<std::string> HtmlOnlyClick(std::vector<TMimeRow>& rows) {
  return OnlyClasses(rows, {mcHtml});
}

std::vector<std::string> PicturesOnlyClick(std::vector<TMimeRow>& rows) {
  return OnlyClasses(rows, {mcImage});
}

std::vector<std::string> SoundsOnlyClick(std::vector<TMimeRow>& rows) {
  return OnlyClasses(rows, {mcSound});
}

std::vector<std::string> HtmlAndPicturesClick(std::vector<TMimeRow>& rows) {
  return OnlyClasses(rows, {mcHtml, mcImage});
}

std::vector<std::string> ApplyMimeCommand(std::vector<TMimeRow>& rows, TMimeCommand command) {
  switch (command) {
    case TMimeCommand::kAllTypes:
      return AllTypesClick(rows);
    case TMimeCommand::kHtmlOnly:
      return HtmlOnlyClick(rows);
    case TMimeCommand::kPicturesOnly:
      return PicturesOnlyClick(rows);
    case TMimeCommand::kSoundsOnly:
      return SoundsOnlyClick(rows);
    case TMimeCommand::kHtmlAndPictures:
      return HtmlAndPicturesClick(rows);
  }
  return {};
}

TStateButtonResult StateButtonClick(std::vector<TMimeRow>& rows, std::size_t selected) {
  TStateButtonResult result;
  if (selected >= rows.size()) return result;
  TMimeRow& row = rows[selected];
  if (!row.Enabled && row.Extension.empty()) {
    result.messages.emplace_back(kNoCaptureTypeMessage);
    result.open_editor = true;
    return result;
  }
  row.Enabled = !row.Enabled;
  return result;
}

void ToggleMimeRow(std::vector<TMimeRow>& rows, std::size_t selected) {
  if (selected < rows.size()) rows[selected].Enabled = !rows[selected].Enabled;
}

void DeleteMimeRow(std::vector<TMimeRow>& rows, std::size_t selected) {
  if (selected < rows.size()) rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(selected));
}

std::string DeleteMimeRowQuestion(const TMimeRow& row) {
  return "Delete the MIME type " + row.Mime + " (" +
         (row.Extension.empty() ? "no extension" : "." + row.Extension) + ", " +
         std::string(MimeStateText(row)) + ") from the web's list?";
}

TMimeEntryEditor::TMimeEntryEditor(const TMimeRow& row)
    : TypeName(row.Mime), Extension(row.Extension), ObjectType(MimeClassOf(row.Type)) {}

TMimeEntryEditor::TConfirmResult TMimeEntryEditor::Confirm(std::vector<TMimeRow>& rows) const {
  if (Capture && Extension.empty()) return {false, std::string(kNoCaptureTypeMessage)};
  TMimeRow* row = nullptr;
  for (TMimeRow& candidate : rows) {
    if (SameAsciiNoCase(candidate.Mime, TypeName)) {
      row = &candidate;
      break;
    }
  }
  if (!row) {
    rows.push_back(TMimeRow{AnsiLowerCase(TypeName), "", "", false});
    row = &rows.back();
  }
  row->Extension = Extension;
  row->Type = std::string(MimeClassName(ObjectType));
  row->Enabled = Capture;
  return {true, ""};
}

}  // namespace korvane
