// The command-line host: streams, exit status, options, and where the run's files go.
#include <gtest/gtest.h>
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
  std::string err;
};

CliRun run_cli(const std::string& arguments) {
  const std::string command =
      std::string(VEVADAR_CLI) + " " + arguments + " >cli.out 2>cli.err </dev/null";
  const int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = read_file("cli.out");
  run.err = read_file("cli.err");
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
  write_file("model.unv", "");
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

}  // namespace
}  // namespace vevadar::testing
