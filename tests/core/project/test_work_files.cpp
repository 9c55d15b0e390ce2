#include "core/project/work_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using Names = std::vector<std::string>;

// "a b c" as {"a", "b", "c"}.
Names Split(const std::string& text) {
  std::istringstream in(text);
  Names names;
  for (std::string name; in >> name;) names.push_back(name);
  return names;
}

// A program folder with its work folders, each file holding its own path so
// any mix-up shows in the contents.
class WorkFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"dessins", "projets", "découpes/sous", "export"}) {
      fs::create_directories(root / folder);
    }
    folders = {root / "dessins/", root / "projets/", root / "découpes/", root.Path()};
    for (const std::string& file :
         Split("découpes/aile.ovd découpes/aile.ovi découpes/aile.ovs découpes/aile.ovg "
               "découpes/sous/aile.ovd découpes/autre.ovd découpes/aile.txt dessins/aile.dxf "
               "dessins/aile.dat dessins/aile.csv projets/aile.ovp export/aile.dxf")) {
      Put(file);
    }
  }
  void Put(const std::string& relative) { test::WriteText(root / relative, relative); }
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
  Names Listed(const std::string& name) const {
    Names listed;
    for (const FoundFile& file : Search(name).files) listed.push_back(file.display);
    return listed;
  }
  WorkFileSearch Search(const std::string& name) const {
    return SearchWorkFiles(folders, filter, name);
  }
  bool Says(const WorkFileOutcome& outcome, const std::string& part) {
    return outcome.message.find(part) != std::string::npos;
  }

  test::TempFolder root;
  WorkFolders folders;
  WorkFileFilter filter;  // as the window opens: work folders, both filters ticked
};

TEST_F(WorkFiles, SearchesFindTheNameInEveryCaseWithinTheFamiliesAndFolders) {
  const std::string cuts = "aile.ovd sous/aile.ovd aile.ovi aile.ovs aile.ovg";
  const WorkFileFilter work{true, true, true}, families{true, false, false},
      everywhere{false, false, true};
  const struct {
    const char* what;
    WorkFileFilter filter;
    std::string name, listed;
  } cases[] = {
      {"only the cut files, in the cut folder and below", work, "aile", cuts},
      {"without regard to case", work, "AiLe", cuts},
      {"drawings and projects when not ignored", families, "aile",
       "aile.dxf aile.dat aile.csv aile.ovp " + cuts},
      {"every file of the extensions for *", work, "*",
       "aile.ovd autre.ovd sous/aile.ovd aile.ovi aile.ovs aile.ovg"},
      {"the whole program folder when unticked, paths below it", everywhere, "aile",
       "dessins/aile.dxf export/aile.dxf dessins/aile.dat dessins/aile.csv découpes/aile.ovd "
       "découpes/sous/aile.ovd découpes/aile.ovi découpes/aile.ovs découpes/aile.ovg"},
      {"a part of a name is no match", families, "ail", ""},
      {"an empty name finds nothing", families, "", ""},
  };
  for (const auto& c : cases) {
    filter = c.filter;
    EXPECT_EQ(Listed(c.name), Split(c.listed)) << c.what;
  }
  filter = {};
  EXPECT_EQ(Search("aile").files[0].path, root / "découpes/aile.ovd");
  Put("découpes/ÉLAN.OVD");
  EXPECT_EQ(Listed("élan"), Names{"ÉLAN.OVD"});
  EXPECT_EQ(FoldCase("ÀÉÎÕÜÇŒŸ"), "àéîõüçœÿ");
  EXPECT_EQ(FoldCase("ĄąŁł"), "ąąłł");
  EXPECT_EQ(FoldCase("\xC9t\xE9"), "\xC9t\xE9");  // Windows-1252 bytes are kept
}

TEST_F(WorkFiles, RenamingGivesEveryFoundFileTheNewNameInItsOwnFolder) {
  filter.ignoreShapes = false;
  auto expected = Tree();
  const WorkFileOutcome outcome = RenameWorkFiles(Search("aile"), "aile2");
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(outcome.done, 8);
  // Each moved file keeps its contents; the project (ignored), the export
  // and the other files stay as they were.
  for (const std::string& moved :
       Split("dessins/aile.dxf dessins/aile.dat dessins/aile.csv découpes/aile.ovd "
             "découpes/aile.ovi découpes/aile.ovs découpes/aile.ovg découpes/sous/aile.ovd")) {
    expected[std::string(moved).replace(moved.find("aile."), 4, "aile2")] = expected.at(moved);
    expected.erase(moved);
  }
  EXPECT_EQ(Tree(), expected);

  // A change of case only is no conflict; the same name again does nothing.
  EXPECT_EQ(RenameWorkFiles(Search("aile2"), "AILE2").done, 8);
  EXPECT_EQ(ReadText(root / "découpes/sous/AILE2.ovd"), "découpes/sous/aile.ovd");
  const auto before = Tree();
  EXPECT_EQ(RenameWorkFiles(Search("aile2"), "AILE2").done, 0);
  EXPECT_EQ(Tree(), before);
}

TEST_F(WorkFiles, ARenameOntoATakenNameOrACaseTwinIsRefusedWhole) {
  Put("découpes/aile2.ovi");
  Put("projets/Aile.ovp");  // with projets/aile.ovp: two files for one name
  Put("découpes/Vol.ovs");
  const auto before = Tree();
  WorkFileOutcome outcome = RenameWorkFiles(Search("aile"), "aile2");
  EXPECT_TRUE(outcome.refused);
  EXPECT_TRUE(Says(outcome, root / "découpes/aile.ovi : \"aile2.ovi\" existe déjà"))
      << outcome.message;
  // Another case of a name already there is the same name to a search.
  outcome = RenameWorkFiles(Search("aile"), "VOL");
  EXPECT_TRUE(outcome.refused);
  EXPECT_TRUE(Says(outcome, "\"Vol.ovs\" existe déjà")) << outcome.message;
  filter.ignoreProjects = false;
  outcome = RenameWorkFiles(Search("aile"), "fuselage");
  EXPECT_TRUE(outcome.refused);
  EXPECT_TRUE(Says(outcome, "un autre fichier recevrait aussi le nom \"fuselage.ovp\""));
  EXPECT_FALSE(Says(outcome, "aile.ovd")) << "only the conflicts are listed";
  EXPECT_EQ(Tree(), before);
}

TEST_F(WorkFiles, NamesThatLeaveTheFolderOrAreNoNamesAndUnnamedSearchesAreRefused) {
  test::TempFolder outside;
  const std::string escape = fs::relative(outside.Path(), root / "découpes/").string() + "/x";
  const auto before = Tree();
  for (const std::string bad :
       {"", "   ", ".", "..", "../x", "a/b", "a\\b", "a\tb", "a\nb", "\x7F", escape.c_str()}) {
    const WorkFileOutcome outcome = RenameWorkFiles(Search("aile"), bad);
    EXPECT_TRUE(outcome.refused) << bad;
    EXPECT_TRUE(Says(outcome, "nouveau nom")) << outcome.message;
  }
  EXPECT_EQ(NewNameProblem("aile 2 (copie) é"), "");
  // "*" lists every file but names none.
  ASSERT_TRUE(Search("*").Found());
  EXPECT_TRUE(RenameWorkFiles(Search("*"), "x").refused);
  EXPECT_TRUE(DeleteWorkFiles(Search("*")).refused);
  EXPECT_TRUE(RenameWorkFiles(Search("rien"), "x").refused);
  EXPECT_EQ(Tree(), before);  // nothing left the folder, so nothing reached `outside`

  // A file made after the search is not renamed with the others.
  const WorkFileSearch search = Search("autre");
  Put("découpes/autre.ovg");
  EXPECT_EQ(RenameWorkFiles(search, "nouveau").done, 1);
  EXPECT_EQ(ReadText(root / "découpes/nouveau.ovd"), "découpes/autre.ovd");
  EXPECT_TRUE(fs::exists(root / "découpes/autre.ovg"));
}

TEST_F(WorkFiles, DeletingTakesTheFoundFilesAndListsThoseThatCannotGoInOneMessage) {
  WorkFileSearch search = Search("aile");
  fs::remove(root / "découpes/aile.ovi");
  fs::remove(root / "découpes/sous/aile.ovd");
  WorkFileOutcome outcome = RenameWorkFiles(search, "vol");
  EXPECT_EQ(outcome.done, 3);
  EXPECT_EQ(outcome.message.rfind("Ces fichiers n'ont pas été renommés :\n", 0), 0u);
  EXPECT_TRUE(Says(outcome, root / "découpes/aile.ovi"));
  EXPECT_TRUE(Says(outcome, root / "découpes/sous/aile.ovd"));
  EXPECT_EQ(ReadText(root / "découpes/vol.ovs"), "découpes/aile.ovs");

  search = Search("VOL");
  ASSERT_EQ(search.files.size(), 3u);
  fs::remove(root / "découpes/vol.ovg");
  outcome = DeleteWorkFiles(search);
  EXPECT_EQ(outcome.done, 2);
  EXPECT_EQ(outcome.message, "Ces fichiers n'ont pas été supprimés :\n" +
                                 (root / "découpes/vol.ovg") + " : fichier introuvable");
  Names left;
  for (const auto& [path, text] : Tree()) left.push_back(path);
  EXPECT_EQ(left, Split("dessins/aile.csv dessins/aile.dat dessins/aile.dxf découpes/aile.txt "
                        "découpes/autre.ovd export/aile.dxf projets/aile.ovp"));
}

TEST_F(WorkFiles, FolderLinksAreNotFollowedAndALoopStillEnds) {
  fs::create_directory_symlink(root / "découpes", root / "découpes/sous/boucle");
  test::TempFolder outside;
  test::WriteText(outside / "aile.ovd", "ailleurs");
  fs::create_directory_symlink(outside.Path(), root / "découpes/dehors");
  fs::create_symlink(root / "découpes", root / "découpes/lien.ovd");  // a folder link by its name
  EXPECT_EQ(Listed("aile"), Split("aile.ovd sous/aile.ovd aile.ovi aile.ovs aile.ovg"));
  filter.separateFolders = false;
  EXPECT_EQ(Search("*").files.size(), 6u);
  filter.separateFolders = true;
  EXPECT_EQ(DeleteWorkFiles(Search("aile")).done, 5);
  EXPECT_EQ(ReadText(outside / "aile.ovd"), "ailleurs");
  // A link to a file is that file; a pipe is no work file (reading it waits).
  fs::create_symlink(outside / "aile.ovd", root / "découpes/aile.ovd");
  ASSERT_EQ(mkfifo((root / "découpes/aile.ovi").c_str(), 0600), 0);
  EXPECT_EQ(Listed("aile"), Split("aile.ovd"));
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
  const WorkFileSearch search = Search("aile");
  folders.root = "./";
  filter.separateFolders = false;
  const WorkFileSearch rootSearch = Search("aile");
  fs::current_path(previous);

  EXPECT_FALSE(search.Found());
  ASSERT_EQ(search.skipped.size(), 3u);
  EXPECT_EQ(search.skipped[0],
            "Le dossier des dessins \"dessins/\" n'est pas un chemin complet : il n'est pas "
            "parcouru.");
  EXPECT_EQ(search.skipped[2], "Le dossier des découpes n'est pas défini : il n'est pas parcouru.");
  EXPECT_FALSE(rootSearch.Found());
  EXPECT_EQ(rootSearch.skipped.size(), 1u);
  // A folder of an ignored family is not looked at, so it says nothing.
  filter = {};
  folders.cuts = root / "découpes";  // no trailing slash: still the same lists
  EXPECT_TRUE(Search("aile").skipped.empty());
  EXPECT_EQ(Search("aile").files[1].display, "sous/aile.ovd");
}

TEST(WorkFileNames, BrowsingStripsOnlyTheProgramsExtensions) {
  for (auto [path, name] : {std::pair{"/d/aile.dxf", "aile"},
                            {"/d/Aile.OVP", "Aile"},
                            {"/d/aile.ovd.bak", "aile.ovd.bak"},
                            {"/d/aile.v1.ovs", "aile.v1"},
                            {"/d/notes", "notes"},
                            {"/d/.dxf", ".dxf"}}) {
    EXPECT_EQ(SearchNameOfFile(path), name) << path;
  }
}

// Regression: the question named neither the files nor their number.
TEST(DeleteQuestion, NamesTheFirstTenFilesThenCountsTheRest) {
  for (auto [files, last] :
       {std::pair<size_t, const char*>{10, "f9.ovd"}, {11, "et 1 autre"}, {25, "et 15 autres"}}) {
    WorkFileSearch search;
    search.name = "f";
    for (size_t i = 0; i < files; ++i) {
      const std::string name = "f" + std::to_string(i) + ".ovd";
      search.files.push_back({FileFamily::Cuts, "/x/" + name, name});
    }
    const std::string question = DeleteQuestion(search);
    EXPECT_TRUE(question.starts_with("Supprimer ces fichiers ?\n\nf0.ovd")) << question;
    EXPECT_TRUE(question.ends_with(std::string("\n") + last)) << question;
    EXPECT_EQ(question.find("f10.ovd"), std::string::npos) << "ten named at most";
  }
}

}  // namespace
}  // namespace orvane
