#include "core/project/history.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using Captions = std::vector<std::string>;

TEST(History, RepeatedLabelsShareOneEntryAndUndoRestoresEachSnapshot) {
  test::TempFolder temp;
  History history(temp.Path());
  Profile p1 = test::MakeProfile({{0, 0}, {1, 0}, {1, 1}});
  Profile p2 = test::MakeProfile({{0, 0}, {8, 0}, {8, 8}, {0, 0}}), emptied;
  p2.currentRow = 3;
  history.Push("Ouvrir projet", p1, p2);
  EXPECT_FALSE(history.CanUndo());
  history.Push("P2 - Supprimer point", p1, emptied);
  history.Push("Calcul projections", p1, emptied);
  for (int i = 0; i < 3; ++i) history.Push("P1 - X + 1", p1, emptied);
  EXPECT_EQ(history.Captions(), (Captions{"Ouvrir projet", "P2 - Supprimer point",
                                          "Calcul projections", "P1 - X + 1 (3)"}));
  EXPECT_EQ(history.Counter(), 6);
  history.Undo();
  EXPECT_EQ(history.Captions().back(), "P1 - X + 1 (2)");
  history.Undo();
  EXPECT_FALSE(history.Undo()->undidProjection);
  EXPECT_EQ(history.Captions().back(), "Calcul projections");
  EXPECT_TRUE(history.Undo()->undidProjection);

  auto undone = history.Undo();  // the emptied profile comes back
  ASSERT_TRUE(undone && undone->snapshot);
  EXPECT_TRUE(undone->onlyBaseLeft);
  EXPECT_EQ(undone->snapshot->rows2, p2.raw);
  EXPECT_EQ(undone->snapshot->currentRow2, 3);
  EXPECT_EQ(history.Captions(), Captions{"Ouvrir projet"});
  EXPECT_FALSE(history.Undo());  // the base state stays
  EXPECT_FALSE(std::filesystem::exists(history.SnapshotPath(2)));
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
  EXPECT_EQ(back->currentRow1, 2);
  for (auto [label, one, two] : {std::tuple{"P1 - Rotation", true, false},
                                 {"P2 - Miroir", false, true},
                                 {"P1/P2 - Alignement", true, true},
                                 {"Ouvrir projet", false, false}}) {
    EXPECT_EQ(FlagsForLabel(label).profile1, one) << label;
    EXPECT_EQ(FlagsForLabel(label).profile2, two) << label;
  }
}

}  // namespace
}  // namespace orvane
