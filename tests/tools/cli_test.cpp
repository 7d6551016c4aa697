// The command-line host: streams, exit status, options, and where the run's files go.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;    // the host's lines alone
  std::string notes;  // the program's own lines, each starting "vevadar: "
};

// `shell` goes before the command: "ulimit -f 1; ", "cat model.unv | " (with arguments that read
// the pipe as /dev/fd/3 3<&0, standard input itself being /dev/null).
CliRun run_cli(const std::string& arguments, const std::string& shell = "") {
  const std::string command =
      shell + std::string(VEVADAR_CLI) + " " + arguments + " >cli.out 2>cli.err </dev/null";
  const int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = read_file("cli.out");
  const std::string err = read_file("cli.err");
  for (std::size_t at = 0; at < err.size();) {
    const std::size_t end = std::min(err.find('\n', at), err.size() - 1) + 1;
    (err.compare(at, 9, "vevadar: ") == 0 ? run.notes : run.err) += err.substr(at, end - at);
    at = end;
  }
  std::filesystem::remove("cli.out");
  std::filesystem::remove("cli.err");
  return run;
}

const char kSummaryZero[] =
    "*    TOTAL NUMBER OF PART       :          0   *\n"
    "*    TOTAL NUMBER OF NODE       :          0   *\n"
    "*    TOTAL NUMBER OF ELEMENT    :          0   *\n"
    "*    TOTAL NUMBER OF SPC        :          0   *\n"
    "*    TOTAL NUMBER OF NODAL FORCE:          0   *\n";

TEST(Cli, CompletedRunPrintsTheSummaryAndExitsZero) {
  ScratchDirectory dir;
  write_file("model.unv", dataset(164, "units\n"));
  const CliRun run = run_cli("model.unv");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kSummaryZero);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(file_exists("velm.bin"));
}

TEST(Cli, ErrorLinesGoToStandardErrorAndExitOne) {
  ScratchDirectory dir;
  write_file("model.unv", dataset(0, "x\n"));
  const CliRun run = run_cli("model.unv");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "**ERROR : READ DATA TYPE ERROR\n");
  EXPECT_EQ(run.out, kSummaryZero);
}

TEST(Cli, MissingInputExitsTwoAndCreatesNothing) {
  ScratchDirectory dir;
  const CliRun run = run_cli("absent.unv");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "**ERROR : CANNOT OPEN UNIVERSAL FILE\n");
  EXPECT_FALSE(file_exists("velm.bin"));
  EXPECT_FALSE(file_exists("absent.unv"));
}

TEST(Cli, DirectoryOptionPutsTheRunFilesThereAndReadsFileFromHere) {
  ScratchDirectory dir;
  std::filesystem::create_directory("out");
  write_file("model.unv", dataset(164, ""));
  for (const char* option : {"-C out", "--directory out", "--directory=out"}) {
    std::filesystem::remove("out/velm.bin");
    const CliRun run = run_cli(std::string(option) + " model.unv");
    EXPECT_EQ(run.status, 0) << option << run.err;
    EXPECT_TRUE(file_exists("out/velm.bin")) << option;
    EXPECT_TRUE(file_exists("out/rozedere.msg")) << option;
    EXPECT_FALSE(file_exists("velm.bin")) << option;
  }
  EXPECT_EQ(run_cli("-C missing-dir model.unv").status, 2);
}

TEST(Cli, QuietDropsOnlyTheProgressLines) {
  ScratchDirectory dir;
  std::string nodes;
  for (int label = 1; label <= 1000; ++label) nodes += column(label, 10) + "\n";
  write_file("model.unv", dataset(15, nodes) + dataset(0, ""));
  const CliRun loud = run_cli("model.unv");
  const CliRun quiet = run_cli("--quiet model.unv");
  EXPECT_EQ(loud.status, 1);
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(loud.out.rfind("    1000 NODES PROCESSED\n", 0), 0U) << loud.out;
  EXPECT_EQ(quiet.out.find("PROCESSED"), std::string::npos);
  EXPECT_EQ(loud.out.substr(loud.out.find('*')), quiet.out);
  EXPECT_EQ(quiet.err, loud.err);
}

TEST(Cli, UsageErrorsExit64) {
  ScratchDirectory dir;
  for (const char* arguments : {"", "--bogus x.unv", "a.unv b.unv", "-C", "--quiet"}) {
    const CliRun run = run_cli(arguments);
    EXPECT_EQ(run.status, 64) << '"' << arguments << '"';
    EXPECT_NE(run.err.find("usage: vevadar"), std::string::npos) << arguments;
  }
}

TEST(Cli, HelpAndVersion) {
  ScratchDirectory dir;
  const CliRun help = run_cli("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* text : {"usage: vevadar", "--quiet", "-C DIR", "Exit status", "velm.bin"}) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  }
  const CliRun version = run_cli("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("vevadar ", 0), 0U);
}

// The translate command's own notes, beside the host's lines.
TEST(Cli, NotesSayWhatTheHostLinesCannot) {
  ScratchDirectory dir;
  // A run file that cannot be created: velm.bin in "blocked" points into a missing folder.
  std::filesystem::create_directory("blocked");
  std::filesystem::create_symlink("missing/velm.bin", "blocked/velm.bin");
  const std::string empty_model = "velm.bin holds the empty model a host would get\n";
  const struct {
    const char* what;
    std::string unv;
    const char* arguments;
    int status;
    std::string note;
  } cases[] = {
      {"missing input", "", "absent.unv", 2,
       "vevadar: cannot open absent.unv: No such file or directory\n"},
      {"empty file", "", "--quiet model.unv", 1,
       "vevadar: model.unv holds no dataset (it is empty): velm.bin holds the empty model a host "
       "would get\n"},
      {"text", "\n", "model.unv", 1, "(1 line without a delimiter line): " + empty_model},
      {"only delimiter lines", delimiter() + delimiter(), "model.unv", 1,
       "(2 lines, all delimiter lines): " + empty_model},
      {"run file", dataset(15, ""), "-C blocked model.unv", 2,
       "vevadar: cannot open or create blocked/velm.bin: No such file or directory\n"},
      {"missing node", dataset(2412, mass(1, 99) + mass(2, 98)), "--quiet model.unv", 1,
       "vevadar: line 4: the rest of dataset 2412 was skipped (lines 5 to 6)\n"},
      {"rest to the end", delimiter() + "  2412\n" + mass(1, 99) + "x\n", "--quiet model.unv", 1,
       "(line 5, where the file ends without its closing delimiter)\n"},
      {"data type error", dataset(0, ""), "--quiet model.unv", 1,
       "vevadar: the error above was met on line 2\n"},
      {"tabs", dataset(15, "\t7\n") + dataset(164, "\t\n"), "--quiet model.unv", 0,
       "vevadar: line 3 of a dataset read holds a tab: a tab counts as one column, so a file "
       "whose blanks became tabs is read from shifted columns\n"},
      {"premature end", dataset(15, "").substr(0, 14), "model.unv", 2,
       "vevadar: the file ended inside a dataset: velm.bin was not updated\n"},
      {"completed", dataset(15, column(7, 10) + "\n"), "model.unv", 0,
       ": 0 parts, 1 node, 0 elements, 0 restraint sets, 0 load sets\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("model.unv");
    if (c.what != std::string_view("missing input")) write_file("model.unv", c.unv);
    const CliRun run = run_cli(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_TRUE(run.notes.ends_with(c.note)) << c.what << ": " << run.notes;
  }
}

// dump, vtk and info: one line on standard error for every input they cannot take.
TEST(Cli, CommandsRejectBadInputInOneLine) {
  ScratchDirectory dir;
  std::filesystem::create_directory("folder");
  write_file("empty", "");
  write_file("random", std::string("\x9a\x01\xff garbage\n", 12));
  write_file("model.unv", dataset(15, column(7, 10) + "\n"));
  ASSERT_EQ(run_cli("model.unv").status, 0);
  write_file("cut.bin", read_file("velm.bin").substr(0, 40));
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  write_file("delimiters", "    -1\n    -1\n");
  enum { kAll, kModels, kInfo };  // the commands a row is for: all, dump and vtk, info
  const struct {
    const char* input;
    int status;
    std::string says;
    int commands = kAll;
  } inputs[] = {
      {"absent", 2, "cannot read absent: No such file or directory"},
      {"'new\nline'", 2, "cannot read new\\nline: No such file or directory"},
      {"folder", 2, "cannot read folder: Is a directory"},
      {"empty", 1, "empty"},
      {"random", 1, ""},
      {"cut.bin", 1, "offset 27, record 5: node record 1 of 1 (20 bytes)", kModels},
      {"fifo", 1, "empty"},  // without a writer: read as empty at once
      {"/dev/zero", 1,
       (modelfile::kDefaultCapacities ? std::string("past 53090712")
                                      : "past " + std::to_string(modelfile::kMaxModelFileBytes)) +
           " bytes, the largest model file",
       kModels},
      {"delimiters", 1, "holds no dataset: 2 lines, all delimiter lines\n", kInfo},
  };
  for (const char* command : {"dump", "dump --json", "vtk", "info"}) {
    for (const auto& input : inputs) {
      const bool info = std::string_view(command) == "info";
      if (input.commands != kAll && (input.commands == kInfo) != info) continue;
      const std::string arguments = std::string(command) + " " + input.input +
                                    (std::string_view(command) == "vtk" ? " out.vtu" : "");
      const CliRun run = run_cli(arguments);
      EXPECT_EQ(run.status, input.status) << arguments;
      EXPECT_EQ(run.out, "") << arguments;
      EXPECT_EQ(run.err, "") << arguments;
      EXPECT_EQ(run.notes.find('\n'), run.notes.size() - 1) << arguments << ": " << run.notes;
      EXPECT_NE(run.notes.find(input.says), std::string::npos) << arguments << ": " << run.notes;
      EXPECT_FALSE(file_exists("out.vtu")) << arguments;
    }
  }
  // Results that standard output does not take.
  for (const char* arguments : {"dump velm.bin", "dump --json velm.bin", "info model.unv"}) {
    const int raw = std::system(
        (std::string(VEVADAR_CLI) + " " + arguments + " >/dev/full 2>/dev/null").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2) << arguments;
  }
}

// A pipe is read once, by a copy: info and the translation see all of it, as they do by name. A
// device, which may never end, is refused.
TEST(Cli, PipesAreReadOnceAndDevicesRefused) {
  ScratchDirectory dir;
  write_file("model.unv", dataset(15, column(7, 10) + "\n") + dataset(164, "units\n"));
  const CliRun named = run_cli("info model.unv");
  const CliRun piped = run_cli("info /dev/fd/3 3<&0", "cat model.unv | ");
  EXPECT_EQ(piped.status, 0) << piped.notes;
  EXPECT_EQ(piped.out.substr(piped.out.find(':')), named.out.substr(named.out.find(':')));
  EXPECT_EQ(run_cli("--quiet /dev/fd/3 3<&0", "cat model.unv | ").status, 0);
  const std::string model = read_file("velm.bin");
  ASSERT_EQ(run_cli("--quiet model.unv").status, 0);
  EXPECT_EQ(model, read_file("velm.bin"));
  for (const char* command : {"info", "translate"}) {
    const CliRun run = run_cli(std::string(command) + " /dev/zero");
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_EQ(run.notes,
              "vevadar: cannot read /dev/zero: not a regular file (a device, read for ever)\n");
  }
}

// vtk replaces OUT only by a complete grid, and a link OUT itself: its target is never written.
TEST(Cli, VtkReplacesOutWhenComplete) {
  ScratchDirectory dir;
  std::string nodes;
  for (int label = 1; label <= 100; ++label) nodes += column(label, 10) + "\n";
  write_file("model.unv", dataset(15, nodes));
  ASSERT_EQ(run_cli("--quiet model.unv").status, 0);
  write_file("target.vtu", "kept");
  std::filesystem::create_symlink("target.vtu", "out.vtu");
  const auto entries = [] {
    const std::filesystem::directory_iterator all(".");
    return std::distance(begin(all), end(all));
  };
  const auto before = entries();
  // The grid passes the file size limit: the write fails (no kill), nothing is left of it.
  const CliRun limited = run_cli("vtk velm.bin out.vtu", "ulimit -f 1; ");
  EXPECT_EQ(limited.status, 2);
  EXPECT_EQ(limited.notes, "vevadar: cannot write out.vtu: File too large\n");
  EXPECT_TRUE(std::filesystem::is_symlink("out.vtu"));
  EXPECT_EQ(entries(), before);
  EXPECT_EQ(run_cli("vtk velm.bin out.vtu").status, 0);
  EXPECT_FALSE(std::filesystem::is_symlink("out.vtu"));
  EXPECT_NE(read_file("out.vtu").find("NumberOfPoints=\"100\""), std::string::npos);
  EXPECT_EQ(read_file("target.vtu"), "kept");
  EXPECT_EQ(entries(), before);
  // A file replaced keeps its permissions.
  std::filesystem::permissions(
      "out.vtu", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(run_cli("vtk velm.bin out.vtu").status, 0);
  EXPECT_EQ(std::filesystem::status("out.vtu").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  // A FIFO without a reader is no file to replace.
  ASSERT_EQ(mkfifo("fifo.vtu", 0600), 0);
  EXPECT_EQ(run_cli("vtk velm.bin fifo.vtu").notes,
            "vevadar: cannot write fifo.vtu: not a regular file\n");
}

TEST(Cli, EveryCommandHasHelpAndVersion) {
  ScratchDirectory dir;
  for (const char* command : {"translate", "dump", "vtk", "info"}) {
    const CliRun help = run_cli(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos) << command;
    const CliRun version = run_cli(std::string(command) + " --version");
    EXPECT_EQ(version.status, 0) << command;
    EXPECT_EQ(version.out.rfind("vevadar ", 0), 0U) << command;
    EXPECT_EQ(run_cli(std::string("help ") + command).out, help.out) << command;
  }
  EXPECT_EQ(run_cli("help").out, run_cli("--help").out);
  EXPECT_EQ(run_cli("help bogus").status, 64);
  // A FILE named like a command is still a file to translate.
  write_file("dump", dataset(164, ""));
  EXPECT_EQ(run_cli("./dump").status, 0);
  EXPECT_EQ(run_cli("-- dump").status, 0);
  EXPECT_EQ(run_cli("translate dump").status, 0);
}

}  // namespace
}  // namespace vevadar::testing
