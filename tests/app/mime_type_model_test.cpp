#include "app/mime_type_model.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

// A grid with an Html row, two Image rows (one without extension), a Sound row and an Other row.
std::vector<TMimeRow> Grid() {
  return {
      {"text/html", "Html", "htm", false},        {"image/gif", "Image", "gif", false},
      {"image/x-new", "Image", "", true},         {"audio/x-wav", "Sound", "wav", true},
      {"application/zip", "Other", "zip", false},
  };
}

std::string States(const std::vector<TMimeRow>& rows) {
  std::string out;
  for (const TMimeRow& row : rows) out += row.Enabled ? '+' : '-';
  return out;
}

TEST(MimeTableModelTest, CommandsEnableClassesAndWarnOncePerStep) {
  const std::string warn(kUndefinedMimeWarning);
  struct Case {
    TMimeCommand command;
    const char* caption;
    const char* states;
    std::vector<std::string> warnings;
  } cases[] = {
      {TMimeCommand::kAllTypes, "All types", "+++++", {warn}},
      {TMimeCommand::kHtmlOnly, "HTML only ", "+----", {}},
      {TMimeCommand::kPicturesOnly, "Pictures only", "-+---", {warn}},
      {TMimeCommand::kSoundsOnly, "Sounds only", "---+-", {}},
      {TMimeCommand::kHtmlAndPictures, "HTML + pictures", "++---", {warn}},
  };
  for (const auto& c : cases) {
    std::vector<TMimeRow> rows = Grid();
    EXPECT_EQ(MimeCommandCaption(c.command), c.caption);
    EXPECT_EQ(ApplyMimeCommand(rows, c.command), c.warnings) << c.caption;
    EXPECT_EQ(States(rows), c.states) << c.caption;
  }
  // Two steps that each meet a row without extension warn twice.
  std::vector<TMimeRow> rows = Grid();
  rows.push_back({"text/x-new", "html", "", false});
  EXPECT_EQ(ApplyMimeCommand(rows, TMimeCommand::kHtmlAndPictures),
            (std::vector<std::string>{warn, warn}));
}

TEST(MimeTableModelTest, StateButtonSendsARowWithoutExtensionToTheEditor) {
  std::vector<TMimeRow> rows = Grid();
  rows[2].Enabled = false;
  TStateButtonResult asked = StateButtonClick(rows, 2);
  EXPECT_EQ(asked.messages, std::vector<std::string>{std::string(kNoCaptureTypeMessage)});
  EXPECT_TRUE(asked.open_editor);
  EXPECT_FALSE(rows[2].Enabled);

  TMimeEntryEditor editor(rows[2]);
  EXPECT_EQ(editor.ObjectType, mcImage);
  EXPECT_TRUE(editor.Capture);
  TMimeEntryEditor::TConfirmResult refused = editor.Confirm(rows);
  EXPECT_FALSE(refused.accepted);
  EXPECT_EQ(refused.message, kNoCaptureTypeMessage);
  editor.Extension = "png";
  EXPECT_TRUE(editor.Confirm(rows).accepted);
  EXPECT_TRUE(rows[2].Enabled);
  EXPECT_EQ(rows[2].Extension, "png");

  EXPECT_FALSE(StateButtonClick(rows, 2).open_editor);
  EXPECT_FALSE(rows[2].Enabled);
  EXPECT_FALSE(StateButtonClick(rows, 99).open_editor);

  // The Enter key does not look at the extension.
  rows[2].Extension.clear();
  ToggleMimeRow(rows, 2);
  EXPECT_TRUE(rows[2].Enabled);
  DeleteMimeRow(rows, 0);
  EXPECT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].Mime, "image/gif");
}

TEST(MimeTableModelTest, EditorUpdatesTheSameTypeOrAppendsItInLowerCase) {
  std::vector<TMimeRow> rows = Grid();
  TMimeEntryEditor editor;
  editor.TypeName = "IMAGE/GIF";
  editor.Extension = "gf";
  editor.ObjectType = mcOther;
  editor.Capture = false;
  ASSERT_TRUE(editor.Confirm(rows).accepted);
  EXPECT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1].Mime, "image/gif");
  EXPECT_EQ(rows[1].Type, "Other");
  EXPECT_EQ(MimeStateText(rows[1]), "Disabled");

  editor.TypeName = "Video/MP4";
  editor.Extension = "";  // allowed with "No capture"
  ASSERT_TRUE(editor.Confirm(rows).accepted);
  EXPECT_EQ(rows.back().Mime, "video/mp4");
  EXPECT_FALSE(rows.back().Enabled);

  TMimeEntryEditor unknown_class(TMimeRow{"a/b", "Picture", "", false});
  EXPECT_EQ(unknown_class.ObjectType, mcOther);
}

TEST(MimeTableModelTest, RowsRoundTripThroughTheTable) {
  TMIMELIST list;
  list.SetToDefault();
  std::vector<TMimeRow> rows = MimeRowsFromList(list);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[2].Type, "Image");
  ApplyMimeCommand(rows, TMimeCommand::kSoundsOnly);
  rows.push_back({"Text/X-Long", "Text", "longer", true});
  MimeRowsToList(rows, list);
  ASSERT_EQ(list.Count(), 8);
  EXPECT_FALSE(list.GetMimebyIndex(0)->Valid);
  EXPECT_TRUE(list.GetMimeByString("audio/x-aiff")->Valid);
  EXPECT_EQ(list.GetMimebyIndex(7)->Extension, "longe");
}

}  // namespace
}  // namespace korvane
