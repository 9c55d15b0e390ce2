#include "core/project/history.h"

#include <gtest/gtest.h>

#include "support/profiles.h"

#include <filesystem>

#include "core/common/text_number.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

TEST(History, RepeatedLabelsShareOneEntryAndUndoCountsDown) {
  test::TempFolder temp;
  History history(temp.Path());
  Profile p1 = test::MakeProfile({{0, 0}, {1, 0}, {1, 1}});
  Profile p2;
  history.Push("Ouvrir projet", p1, p2);
  EXPECT_FALSE(history.CanUndo());
  for (int i = 0; i < 3; ++i) history.Push("P1 - X + 1", p1, p2);
  EXPECT_EQ(history.Captions(), (std::vector<std::string>{"Ouvrir projet", "P1 - X + 1 (3)"}));
  EXPECT_EQ(history.Counter(), 4);

  history.Undo();
  EXPECT_EQ(history.Captions().back(), "P1 - X + 1 (2)");
  history.Undo();
  EXPECT_EQ(history.Captions().back(), "P1 - X + 1");
  auto last = history.Undo();
  ASSERT_TRUE(last);
  EXPECT_TRUE(last->onlyBaseLeft);
  EXPECT_EQ(history.Captions(), (std::vector<std::string>{"Ouvrir projet"}));
  EXPECT_FALSE(history.Undo());  // the base state stays
  EXPECT_FALSE(std::filesystem::exists(history.SnapshotPath(2)));
}

TEST(History, UndoRestoresAnEmptiedProfile) {
  test::TempFolder temp;
  History history(temp.Path());
  Profile p1 = test::MakeProfile({{0, 0}, {5, 0}, {5, 5}});
  Profile p2 = test::MakeProfile({{0, 0}, {8, 0}, {8, 8}, {0, 0}});
  p2.currentRow = 3;
  history.Push("Ouvrir projet", p1, p2);
  Profile emptied;
  history.Push("P2 - Supprimer point", p1, emptied);

  auto undone = history.Undo();
  ASSERT_TRUE(undone && undone->snapshot);
  EXPECT_EQ(undone->snapshot->rows2, p2.raw);
  EXPECT_EQ(undone->snapshot->currentRow2, 3);
  EXPECT_EQ(undone->snapshot->rows1, p1.raw);
  EXPECT_EQ(undone->snapshot->label, "Ouvrir projet");
}

TEST(History, UndoingTheProjectionSaysSo) {
  test::TempFolder temp;
  History history(temp.Path());
  Profile p = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}});
  history.Push("P1 - Ouvrir fichier", p, p);
  history.Push("Calcul projections", p, p);
  auto undone = history.Undo();
  ASSERT_TRUE(undone);
  EXPECT_TRUE(undone->undidProjection);
}

TEST(History, AMissingOrDamagedSnapshotIsNotRestored) {
  test::TempFolder temp;
  History history(temp.Path());
  Profile p = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}});
  history.Push("Ouvrir projet", p, p);
  history.Push("P1 - Rotation", p, p);
  test::WriteText(history.SnapshotPath(1), "Ouvrir projet\r\n[profil 1]\r\n1\r\n4\r\n0.0\r\n");
  auto undone = history.Undo();
  ASSERT_TRUE(undone);
  EXPECT_FALSE(undone->snapshot);
  EXPECT_EQ(history.Counter(), 1);
}

TEST(HistorySnapshot, RoundTripsAndKeepsAccentedLabels) {
  HistorySnapshot s{
      "P1 - Cote X ajustée", 2, 1, test::MakeProfile({{0, 0}, {1.5, 2}, {3, 0}}).raw, {}};
  const std::string bytes = WriteHistorySnapshot(s);
  EXPECT_EQ(bytes.substr(0, 21),
            "P1 - Cote X ajust\xE9"
            "e\r\n");
  auto back = ReadHistorySnapshot(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->label, s.label);
  EXPECT_EQ(back->rows1, s.rows1);
  EXPECT_TRUE(back->rows2.empty());
  EXPECT_EQ(back->currentRow1, 2);
}

TEST(FlagsForLabel, FollowTheLabelPrefix) {
  EXPECT_TRUE(FlagsForLabel("P1 - Rotation").profile1);
  EXPECT_FALSE(FlagsForLabel("P1 - Rotation").profile2);
  EXPECT_TRUE(FlagsForLabel("P2 - Miroir").profile2);
  auto both = FlagsForLabel("P1/P2 - Alignement");
  EXPECT_TRUE(both.profile1 && both.profile2);
  auto none = FlagsForLabel("Ouvrir projet");
  EXPECT_FALSE(none.profile1 || none.profile2);
}

}  // namespace
}  // namespace orvane
