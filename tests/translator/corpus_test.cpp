// Real universal files written by other programs: every one translates to a well-formed model
// with 80-column host lines, and its node and element counts are what the reading rules give.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

struct Expected {
  std::int32_t nodes;
  std::int32_t elements;  // rows: mapped elements, dropped ones gone, rigid ones as spokes
  const char* why;        // where the counts differ from a plain count of the file's records
};

const std::map<std::string, Expected>& expected_counts() {
  static const std::map<std::string, Expected> table = {
      {"codeaster-adlv100b.unv", {21, 16, ""}},
      {"codeaster-adlv100k.unv", {21, 28, ""}},
      {"codeaster-fdlv106a-21.unv", {2, 3, ""}},
      {"codeaster-sdld102a.unv", {3, 2, ""}},
      {"codeaster-sdll137a-21.unv", {4, 3, ""}},
      {"codeaster-sdlv122a.unv", {2667, 3328, ""}},
      {"codeaster-ssla100b-19.unv", {23, 0, "descriptors 24 (with beam line) and 75 dropped"}},
      {"codeaster-tpna01c.unv", {304, 32, "32 of descriptor 95 kept; 116 dropped"}},
      {"codeaster-wtnp106a.unv", {8, 1, "descriptor 24 (with beam line) dropped"}},
      {"codeaster-zzzz112a-18.unv", {21, 20, ""}},
      {"codeaster-zzzz161a.unv",
       {18, 20, "71 dropped; '   -1' (minus in column 4) is a header of descriptor 0, dropped"}},
      {"codeaster-zzzz176a.unv", {53, 0, ""}},
      {"dealii-grid_in_unv_3d_02-mesh.unv", {216, 275, ""}},
      {"feconv-RECTANGILO.unv",
       {37, 0, "42 dropped; the first 22 has 3 nodes: conversion error, rest skipped"}},
      {"feconv-campos.unv", {84, 0, "descriptor 44 dropped"}},
      {"feconv-placa2.unv", {13, 8, "descriptor 41 dropped"}},
      {"feconv-unvmesh2414propio.unv",
       {218, 283, "275 solids and shells, two 5-node rigid elements of 4 spokes each"}},
      {"libmesh-lshape.unv",
       {0, 0, "the first node label is 0: conversion error, the rest skipped; 300 dropped"}},
      {"libmesh-pipe-mesh.unv", {3977, 3520, ""}},
      {"meshio-block_with_inlet_outlet.unv", {54, 8, ""}},
      {"meshio-no_cells.unv", {0, 0, "'    2411' is dataset 24 by columns 1-6: skipped"}},
      {"meshio-simple_cube.unv", {12, 26, "descriptors 41 and 44 dropped"}},
      {"moab-test.unv", {17, 4, ""}},
      {"pyuff-2411_and_2414.uff", {441, 400, ""}},
      {"pyuff-Artemis_export_Geometry_RPBC_setup.uff", {74, 108, ""}},
      {"pyuff-NX_simulation_output.uff", {18, 17, ""}},
      {"pyuff-Sample_UFF58b_bin.uff", {0, 0, ""}},
      {"pyuff-TestLab_161_164_18_15_82.uff", {36, 0, ""}},
      {"pyuff-binary8byte.uff", {0, 0, ""}},
      {"pyuff-fea_simufact_tet_elements.unv", {197, 695, ""}},
      {"pyuff-heat_engine_housing.uff", {10, 8, ""}},
      {"pyuff-mesh_Oros-modal_uff15_uff2412.uff", {96, 0, "descriptor 44 dropped"}},
      {"pyuff-simcenter_exported_result.uff", {11520, 16688, ""}},
      {"uff-coords.unv", {26, 0, ""}},
      {"uff-dam0.unv", {0, 0, ""}},
      {"unv2ccx-116.unv", {20, 0, "descriptor 116 dropped"}},
      {"unv2ccx-22.unv", {3, 0, "its one element, descriptor 22, has 3 nodes: conversion error"}},
      {"unv2ccx-Yikun_Wang_Compound_Mesh.unv", {8742, 12184, "240 of descriptor 44 dropped"}},
  };
  return table;
}

TEST(Corpus, EveryRealFileTranslatesToTheCountsOfTheRules) {
  const std::string folder = corpus_directory();
  if (folder.empty()) GTEST_SKIP() << "the corpus folder is absent";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".md") continue;
    SCOPED_TRACE(name);
    ++files;
    const auto expected = expected_counts().find(name);
    ASSERT_NE(expected, expected_counts().end()) << "a corpus file without expected counts";
    // A build of small capacities reads only the files that fit its tables.
    if (expected->second.nodes > modelfile::kMaxNodes ||
        expected->second.elements > modelfile::kMaxElements)
      continue;

    ScratchDirectory dir;
    const Translation run = translate_file(entry.path().string());
    EXPECT_EQ(run.result.end, translator::RunEnd::kCompleted);
    EXPECT_TRUE(run.model_well_formed);
    EXPECT_EQ(run.host.wrong_length, 0);
    const std::vector<std::int32_t> counts = summary_counts(run.host);
    ASSERT_EQ(counts.size(), 5U);
    EXPECT_EQ(counts[1], expected->second.nodes) << expected->second.why;
    EXPECT_EQ(counts[2], expected->second.elements) << expected->second.why;
    EXPECT_EQ(node_rows(run).size(), static_cast<std::size_t>(counts[1]));
  }
  EXPECT_EQ(files, static_cast<int>(expected_counts().size()));
}

}  // namespace
}  // namespace vevadar::testing
