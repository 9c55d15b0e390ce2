#include "core/project/work_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

// A program folder with its work folders, each file holding its own path so
// any mix-up shows in the contents.
class WorkFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"dessins", "projets", "découpes", "découpes/sous", "export"}) {
      fs::create_directories(root / folder);
    }
    folders = {root / "dessins/", root / "projets/", root / "découpes/", root.Path()};
    for (const char* file :
         {"découpes/aile.ovd", "découpes/aile.ovi", "découpes/aile.ovs", "découpes/aile.ovg",
          "découpes/sous/aile.ovd", "découpes/autre.ovd", "découpes/aile.txt", "dessins/aile.dxf",
          "dessins/aile.dat", "dessins/aile.csv", "projets/aile.ovp", "export/aile.dxf"}) {
      Put(file);
    }
  }
  void Put(const std::string& relative) { WriteText(root / relative, relative); }
  // Every file below the program folder with its contents.
  std::map<std::string, std::string> Tree() const {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root.Path())) {
      if (entry.is_regular_file() && !entry.is_symlink()) {
        tree[entry.path().string().substr(root.Path().size())] = ReadText(entry.path().string());
      }
    }
    return tree;
  }
  static std::vector<std::string> Listed(const WorkFileSearch& search) {
    std::vector<std::string> listed;
    for (const FoundFile& file : search.files) listed.push_back(file.display);
    return listed;
  }

  test::TempFolder root;
  WorkFolders folders;
  WorkFileFilter filter;  // as the window opens: work folders, both filters ticked
};

TEST_F(WorkFiles, SearchesFindTheNameInEveryCaseWithinTheFamiliesAndFolders) {
  struct Case {
    const char* what;
    WorkFileFilter filter;
    std::string name;
    std::vector<std::string> listed;
  };
  const std::vector<Case> cases = {
      {"only the cut files, in the cut folder and below",
       {true, true, true},
       "aile",
       {"aile.ovd", "sous/aile.ovd", "aile.ovi", "aile.ovs", "aile.ovg"}},
      {"without regard to case",
       {true, true, true},
       "AiLe",
       {"aile.ovd", "sous/aile.ovd", "aile.ovi", "aile.ovs", "aile.ovg"}},
      {"drawings and projects when not ignored",
       {true, false, false},
       "aile",
       {"aile.dxf", "aile.dat", "aile.csv", "aile.ovp", "aile.ovd", "sous/aile.ovd", "aile.ovi",
        "aile.ovs", "aile.ovg"}},
      {"every file of the extensions for *",
       {true, true, true},
       "*",
       {"aile.ovd", "autre.ovd", "sous/aile.ovd", "aile.ovi", "aile.ovs", "aile.ovg"}},
      {"the whole program folder when unticked, paths below it",
       {false, false, true},
       "aile",
       {"dessins/aile.dxf", "export/aile.dxf", "dessins/aile.dat", "dessins/aile.csv",
        "découpes/aile.ovd", "découpes/sous/aile.ovd", "découpes/aile.ovi", "découpes/aile.ovs",
        "découpes/aile.ovg"}},
      {"a part of a name is no match", {true, false, false}, "ail", {}},
      {"an empty name finds nothing", {true, false, false}, "", {}},
  };
  for (const Case& c : cases) {
    const WorkFileSearch search = SearchWorkFiles(folders, c.filter, c.name);
    EXPECT_EQ(Listed(search), c.listed) << c.what;
    EXPECT_TRUE(search.skipped.empty()) << c.what;
  }
  EXPECT_EQ(SearchWorkFiles(folders, filter, "aile").files[0].path, root / "découpes/aile.ovd");
}

TEST_F(WorkFiles, AccentedNamesAndExtensionsMatchWithoutCase) {
  Put("découpes/ÉLAN.OVD");
  Put("découpes/Łuk.ovg");
  EXPECT_EQ(Listed(SearchWorkFiles(folders, filter, "élan")), std::vector<std::string>{"ÉLAN.OVD"});
  EXPECT_EQ(Listed(SearchWorkFiles(folders, filter, "łUK")), std::vector<std::string>{"Łuk.ovg"});
  EXPECT_EQ(FoldCase("ÀÉÎÕÜÇŒŸ"), "àéîõüçœÿ");
  EXPECT_EQ(FoldCase("\xC9t\xE9"), "\xC9t\xE9");  // Windows-1252 bytes are kept
}

TEST_F(WorkFiles, RenamingGivesEveryFoundFileTheNewNameInItsOwnFolder) {
  filter.ignoreShapes = false;
  const auto before = Tree();
  const WorkFileOutcome outcome =
      RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), "aile2");
  EXPECT_FALSE(outcome.refused);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(outcome.done, 8);
  // Each moved file keeps its contents; the project (ignored), the export
  // and the other files stay as they were.
  auto expected = before;
  for (const char* moved :
       {"dessins/aile.dxf", "dessins/aile.dat", "dessins/aile.csv", "découpes/aile.ovd",
        "découpes/aile.ovi", "découpes/aile.ovs", "découpes/aile.ovg", "découpes/sous/aile.ovd"}) {
    std::string renamed = moved;
    renamed.replace(renamed.find("aile."), 4, "aile2");
    expected[renamed] = before.at(moved);
    expected.erase(moved);
  }
  EXPECT_EQ(Tree(), expected);
}

TEST_F(WorkFiles, ARenameOntoATakenNameOrACaseTwinIsRefusedWhole) {
  Put("découpes/aile2.ovi");
  Put("projets/Aile.ovp");  // with projets/aile.ovp: two files for one name
  Put("découpes/Vol.ovs");
  const auto before = Tree();

  WorkFileOutcome outcome = RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), "aile2");
  EXPECT_TRUE(outcome.refused);
  EXPECT_NE(outcome.message.find(root / "découpes/aile.ovi"), std::string::npos) << outcome.message;
  EXPECT_NE(outcome.message.find("\"aile2.ovi\" existe déjà"), std::string::npos);
  EXPECT_EQ(Tree(), before);

  // Another case of a name already there is the same name to a search.
  outcome = RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), "VOL");
  EXPECT_TRUE(outcome.refused);
  EXPECT_NE(outcome.message.find("\"Vol.ovs\" existe déjà"), std::string::npos) << outcome.message;
  EXPECT_EQ(Tree(), before);

  filter.ignoreProjects = false;
  outcome = RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), "fuselage");
  EXPECT_TRUE(outcome.refused);
  EXPECT_NE(outcome.message.find("un autre fichier recevrait aussi le nom \"fuselage.ovp\""),
            std::string::npos)
      << outcome.message;
  EXPECT_EQ(outcome.message.find("aile.ovd"), std::string::npos) << "only the conflicts are listed";
  EXPECT_EQ(Tree(), before);
}

TEST_F(WorkFiles, AChangeOfCaseOnlyAndTheSameNameAreNoConflict) {
  WorkFileOutcome outcome = RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), "AILE");
  EXPECT_FALSE(outcome.refused) << outcome.message;
  EXPECT_EQ(outcome.done, 5);
  EXPECT_EQ(ReadText(root / "découpes/sous/AILE.ovd"), "découpes/sous/aile.ovd");
  EXPECT_FALSE(fs::exists(root / "découpes/aile.ovg"));

  const auto before = Tree();
  outcome = RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), "AILE");
  EXPECT_FALSE(outcome.refused);
  EXPECT_EQ(outcome.done, 0);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(Tree(), before);
}

TEST_F(WorkFiles, NamesThatLeaveTheFolderOrAreNoNamesAreRefused) {
  test::TempFolder outside;
  WriteText(outside / "x.ovd", "ailleurs");
  const std::string escape = fs::relative(outside.Path(), root / "découpes/").string() + "/x";
  const auto before = Tree();
  for (const std::string& bad :
       {std::string(), std::string("   "), std::string("."), std::string(".."), std::string("../x"),
        std::string("a/b"), std::string("a\\b"), std::string("a\tb"), std::string("a\nb"),
        std::string("\x7F"), escape}) {
    const WorkFileOutcome outcome = RenameWorkFiles(SearchWorkFiles(folders, filter, "aile"), bad);
    EXPECT_TRUE(outcome.refused) << bad;
    EXPECT_NE(outcome.message.find("nouveau nom"), std::string::npos) << outcome.message;
  }
  EXPECT_EQ(Tree(), before);
  EXPECT_EQ(ReadText(outside / "x.ovd"), "ailleurs");
  EXPECT_EQ(fs::directory_iterator(outside.Path())->path().filename(), "x.ovd");
  EXPECT_EQ(NewNameProblem("aile 2 (copie) é"), "");
}

TEST_F(WorkFiles, OnlyTheFilesOfANamedSearchAreActedOn) {
  const auto before = Tree();
  // "*" lists every file but names none.
  const WorkFileSearch all = SearchWorkFiles(folders, filter, "*");
  ASSERT_TRUE(all.Found());
  EXPECT_TRUE(RenameWorkFiles(all, "x").refused);
  EXPECT_TRUE(DeleteWorkFiles(all).refused);
  EXPECT_TRUE(RenameWorkFiles(SearchWorkFiles(folders, filter, "rien"), "x").refused);
  EXPECT_EQ(Tree(), before);

  // A file made after the search is not renamed with the others.
  const WorkFileSearch search = SearchWorkFiles(folders, filter, "autre");
  Put("découpes/autre.ovg");
  EXPECT_EQ(RenameWorkFiles(search, "nouveau").done, 1);
  EXPECT_EQ(ReadText(root / "découpes/nouveau.ovd"), "découpes/autre.ovd");
  EXPECT_TRUE(fs::exists(root / "découpes/autre.ovg"));
}

TEST_F(WorkFiles, FilesThatCannotBeRenamedOrDeletedAreListedInOneMessage) {
  WorkFileSearch search = SearchWorkFiles(folders, filter, "aile");
  fs::remove(root / "découpes/aile.ovi");
  fs::remove(root / "découpes/sous/aile.ovd");
  WorkFileOutcome outcome = RenameWorkFiles(search, "vol");
  EXPECT_FALSE(outcome.refused);
  EXPECT_EQ(outcome.done, 3);
  EXPECT_EQ(outcome.message.rfind("Ces fichiers n'ont pas été renommés :\n", 0), 0u);
  EXPECT_NE(outcome.message.find(root / "découpes/aile.ovi"), std::string::npos);
  EXPECT_NE(outcome.message.find(root / "découpes/sous/aile.ovd"), std::string::npos);
  EXPECT_EQ(ReadText(root / "découpes/vol.ovs"), "découpes/aile.ovs");

  search = SearchWorkFiles(folders, filter, "vol");
  ASSERT_EQ(search.files.size(), 3u);
  fs::remove(root / "découpes/vol.ovg");
  outcome = DeleteWorkFiles(search);
  EXPECT_EQ(outcome.done, 2);
  EXPECT_EQ(outcome.message, "Ces fichiers n'ont pas été supprimés :\n" +
                                 (root / "découpes/vol.ovg") + " : fichier introuvable");
  EXPECT_FALSE(SearchWorkFiles(folders, filter, "vol").Found());
}

TEST_F(WorkFiles, DeletingTakesTheFoundFilesOnly) {
  const WorkFileOutcome outcome = DeleteWorkFiles(SearchWorkFiles(folders, filter, "AILE"));
  EXPECT_EQ(outcome.done, 5);
  EXPECT_EQ(outcome.message, "");
  const auto after = Tree();
  for (const char* kept : {"dessins/aile.dxf", "projets/aile.ovp", "découpes/aile.txt",
                           "découpes/autre.ovd", "export/aile.dxf"}) {
    EXPECT_EQ(after.count(kept), 1u) << kept;
  }
  EXPECT_EQ(after.size(), 7u);
}

TEST_F(WorkFiles, FolderLinksAreNotFollowedAndALoopStillEnds) {
  fs::create_directory_symlink(root / "découpes", root / "découpes/sous/boucle");
  test::TempFolder outside;
  WriteText(outside / "aile.ovd", "ailleurs");
  fs::create_directory_symlink(outside.Path(), root / "découpes/dehors");
  fs::create_symlink(root / "découpes", root / "découpes/lien.ovd");  // a folder link by its name

  EXPECT_EQ(
      Listed(SearchWorkFiles(folders, filter, "aile")),
      (std::vector<std::string>{"aile.ovd", "sous/aile.ovd", "aile.ovi", "aile.ovs", "aile.ovg"}));
  filter.separateFolders = false;
  EXPECT_EQ(SearchWorkFiles(folders, filter, "*").files.size(), 6u);
  filter.separateFolders = true;
  EXPECT_EQ(DeleteWorkFiles(SearchWorkFiles(folders, filter, "aile")).done, 5);
  EXPECT_EQ(ReadText(outside / "aile.ovd"), "ailleurs");
}

TEST_F(WorkFiles, AFolderThatIsEmptyRelativeOrMissingIsSkippedWithAMessage) {
  // The current folder holds files of the same name: none may be found there.
  const fs::path previous = fs::current_path();
  fs::current_path(root.Path());
  Put("aile.ovd");
  Put("aile.dxf");
  filter.ignoreShapes = filter.ignoreProjects = false;
  folders.cuts = "";
  folders.drawings = "dessins/";
  folders.projects = root / "perdu/";
  const WorkFileSearch search = SearchWorkFiles(folders, filter, "aile");
  folders.root = "./";
  filter.separateFolders = false;
  const WorkFileSearch rootSearch = SearchWorkFiles(folders, filter, "aile");
  fs::current_path(previous);

  EXPECT_FALSE(search.Found());
  EXPECT_EQ(search.skipped,
            (std::vector<std::string>{
                "Le dossier des dessins \"dessins/\" n'est pas un chemin complet : il n'est pas "
                "parcouru.",
                "Le dossier des projets \"" + (root / "perdu/") +
                    "\" est introuvable : il n'est pas parcouru.",
                "Le dossier des découpes n'est pas défini : il n'est pas parcouru."}));
  EXPECT_FALSE(rootSearch.Found());
  EXPECT_EQ(rootSearch.skipped.size(), 1u);

  // A folder of an ignored family is not looked at, so it says nothing.
  filter = {};
  folders.cuts = root / "découpes";  // no trailing slash: still the same lists
  EXPECT_TRUE(SearchWorkFiles(folders, filter, "aile").skipped.empty());
  EXPECT_EQ(SearchWorkFiles(folders, filter, "aile").files[1].display, "sous/aile.ovd");
}

TEST(WorkFileNames, BrowsingStripsOnlyTheProgramsExtensions) {
  struct Case {
    std::string path, name;
  };
  for (const Case& c : std::vector<Case>{{"/d/aile.dxf", "aile"},
                                         {"/d/Aile.OVP", "Aile"},
                                         {"/d/aile.ovd.bak", "aile.ovd.bak"},
                                         {"/d/aile.txt", "aile.txt"},
                                         {"/d/aile.v1.ovs", "aile.v1"},
                                         {"/d/notes", "notes"},
                                         {"/d/.dxf", ".dxf"}}) {
    EXPECT_EQ(SearchNameOfFile(c.path), c.name) << c.path;
  }
}

// Regression: the question named neither the files nor their number.
TEST(DeleteQuestion, NamesTheFirstTenFilesThenCountsTheRest) {
  const struct {
    size_t files;
    const char* last;  // the question's last line
  } cases[] = {{1, "f0.ovd"}, {10, "f9.ovd"}, {11, "et 1 autre"}, {25, "et 15 autres"}};
  for (const auto& c : cases) {
    WorkFileSearch search;
    search.name = "f";
    for (size_t i = 0; i < c.files; ++i) {
      search.files.push_back({FileFamily::Cuts, "/x/f" + std::to_string(i) + ".ovd",
                              "f" + std::to_string(i) + ".ovd"});
    }
    const std::string question = DeleteQuestion(search);
    EXPECT_TRUE(question.starts_with("Supprimer ces fichiers ?\n\nf0.ovd")) << question;
    EXPECT_TRUE(question.ends_with(std::string("\n") + c.last)) << question;
    EXPECT_EQ(question.find("f10.ovd"), std::string::npos) << "ten named at most";
  }
}

}  // namespace
}  // namespace orvane
