// programs: what the programs built on the translator share, the command-line program vevadar and
// the Python module, so that both say the same of the same run and the same model.
//
// What this area offers:
//   - the exit statuses of the programs and exit_status, the status of one translation;
//   - host_line_text: a host line as a program shows it, without its trailing blanks;
//   - cell_of: an element of the model as a cell of a VTK unstructured grid (`vevadar vtk` writes
//     them, the Python module hands them to meshio), node orders turned into VTK's and a solid
//     that is inside out mirrored back.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "modelfile/modelfile.h"
#include "translator/translator.h"

namespace vevadar::programs {

// Exit statuses: 0 done, 1 the input is not what the program reads (or the translation reported
// errors in the data), 2 the input or an output could not be opened, read or written, 64 a wrong
// command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitNoFile = 2;
inline constexpr int kExitUsage = 64;

// The status of a translation: kExitNoFile when no model was written (the file ended inside a
// dataset, a file could not be opened, the model file could not be written, another run was in
// progress); kExitBadInput when the run completed but reported errors in the data (warnings
// alone do not count) or met no dataset at all; else kExitOk.
[[nodiscard]] int exit_status(const translator::RunResult& run);

// The text of an 80-character host line: without its trailing blanks.
[[nodiscard]] std::string_view host_line_text(const char* line);

// VTK's cell type numbers, those the mapping gives.
namespace cell_type {
inline constexpr int kEmpty = 0;
inline constexpr int kVertex = 1;
inline constexpr int kPolyVertex = 2;
inline constexpr int kLine = 3;
inline constexpr int kPolyLine = 4;
inline constexpr int kTriangle = 5;
inline constexpr int kQuad = 9;
inline constexpr int kTetra = 10;
inline constexpr int kHexahedron = 12;
inline constexpr int kWedge = 13;
inline constexpr int kQuadraticTriangle = 22;
inline constexpr int kQuadraticQuad = 23;
}  // namespace cell_type

// The most points of a cell: the poly-line of a rigid element of eight nodes, out from its first
// node to each other node and back.
inline constexpr int kMaxCellPoints = 2 * (modelfile::kNodeSlots - 1);

// One cell: its VTK type and its points in VTK's order, each a node index from 0.
struct Cell {
  int type = cell_type::kEmpty;
  int size = 0;
  bool mirrored = false;  // a solid listed inside out, whose points were mirrored back
  std::array<std::int64_t, kMaxCellPoints> points{};
};

// The coordinates of the model's nodes: at(i) is node index i + 1.
class NodePoints {
 public:
  virtual ~NodePoints() = default;
  [[nodiscard]] virtual std::array<double, 3> at(std::int64_t index) const = 0;
};

// The cell of an element with element type code `type`, `node_count` nodes and node slots `slots`
// (node indices from 1, as the model file holds them): beams, rods and springs lines; a rigid
// element a line, or for more than two nodes a poly-line out from its first (independent) node to
// each other node and back; shells of 3, 4, 6, 8 nodes triangles, quadrilaterals and their
// quadratic forms; solids of 4, 6, 8 nodes tetrahedra, wedges, hexahedra; lumped masses vertices;
// any other element a vertex, a line or a poly-vertex by its node count, and one without nodes an
// empty cell. A solid whose volume is negative in VTK's order is mirrored.
[[nodiscard]] Cell cell_of(std::int32_t type, std::int32_t node_count,
                           std::span<const std::int32_t, modelfile::kNodeSlots> slots,
                           const NodePoints& points);

// A tetrahedron, wedge or hexahedron.
[[nodiscard]] constexpr bool is_solid(int type) {
  return type == cell_type::kTetra || type == cell_type::kWedge || type == cell_type::kHexahedron;
}

}  // namespace vevadar::programs
