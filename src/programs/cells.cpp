// Elements as VTK cells.
//
// Node order: the universal file lists the nodes of a parabolic shell corner, mid-side, corner,
// ...; VTK lists the corners first. A wedge's first triangle faces its second one in the
// universal file and faces away from it in VTK. Tetrahedra and hexahedra agree. A solid that is
// inside out even so (its file lists it mirrored) is mirrored back.
#include "programs/programs.h"

#include <array>
#include <cstddef>
#include <utility>

namespace vevadar::programs {
namespace {

using namespace cell_type;
using modelfile::element_type::kRigid;
using modelfile::element_type::kShell;
using modelfile::element_type::kSolid;

// One shape: the element type code (0: any), its node count, the VTK cell and, for cell point p,
// the element's node slot (from 0) that becomes it.
struct Shape {
  std::int32_t type;
  std::int32_t nodes;
  int cell;
  std::array<int, modelfile::kNodeSlots> order;
};

constexpr std::array<Shape, 9> kShapes = {{
    {kShell, 3, kTriangle, {0, 1, 2}},
    {kShell, 4, kQuad, {0, 1, 2, 3}},
    {kShell, 6, kQuadraticTriangle, {0, 2, 4, 1, 3, 5}},
    {kShell, 8, kQuadraticQuad, {0, 2, 4, 6, 1, 3, 5, 7}},
    {kSolid, 4, kTetra, {0, 1, 2, 3}},
    {kSolid, 6, kWedge, {0, 2, 1, 3, 5, 4}},
    {kSolid, 8, kHexahedron, {0, 1, 2, 3, 4, 5, 6, 7}},
    {0, 1, kVertex, {0}},
    {0, 2, kLine, {0, 1}},
}};

using Point = std::array<double, 3>;

double tetra_volume(const Point& a, const Point& b, const Point& c, const Point& d) {
  const Point u{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const Point v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const Point w{d[0] - a[0], d[1] - a[1], d[2] - a[2]};
  return (u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) +
          u[2] * (v[0] * w[1] - v[1] * w[0])) /
         6.0;
}

// The signed volume of a solid cell in VTK's order, as a sum of tetrahedra.
double solid_volume(const Cell& cell, const NodePoints& points) {
  const auto at = [&](int p) { return points.at(cell.points[static_cast<std::size_t>(p)]); };
  if (cell.type == kTetra) return tetra_volume(at(0), at(1), at(2), at(3));
  if (cell.type == kWedge) {
    // VTK's first triangle faces away from the second: as a prism facing up it is 0, 2, 1.
    return tetra_volume(at(0), at(2), at(1), at(3)) + tetra_volume(at(2), at(1), at(3), at(5)) +
           tetra_volume(at(1), at(3), at(5), at(4));
  }
  constexpr int kAroundDiagonal[6][2] = {{1, 2}, {2, 3}, {3, 7}, {7, 4}, {4, 5}, {5, 1}};
  double volume = 0;
  for (const auto& pair : kAroundDiagonal)
    volume += tetra_volume(at(0), at(pair[0]), at(pair[1]), at(6));
  return volume;
}

void mirror(Cell& cell) {
  auto& p = cell.points;
  if (cell.type == kTetra) std::swap(p[1], p[2]);
  if (cell.type == kWedge) {
    std::swap(p[1], p[2]);
    std::swap(p[4], p[5]);
  }
  if (cell.type == kHexahedron) {
    std::swap(p[1], p[3]);
    std::swap(p[5], p[7]);
  }
  cell.mirrored = true;
}

Cell shaped(std::int32_t type, int n, std::span<const std::int32_t, modelfile::kNodeSlots> slots) {
  Cell cell;
  const auto slot = [&](int j) {
    return static_cast<std::int64_t>(slots[static_cast<std::size_t>(j)]) - 1;
  };
  if (type == kRigid && n > 2) {
    // Out from the independent node to each dependent node and back.
    cell.type = kPolyLine;
    for (int j = 1; j < n; ++j) {
      cell.points[static_cast<std::size_t>(cell.size++)] = slot(0);
      cell.points[static_cast<std::size_t>(cell.size++)] = slot(j);
    }
    return cell;
  }
  cell.type = kPolyVertex;
  for (const Shape& shape : kShapes) {
    if ((shape.type == 0 || shape.type == type) && shape.nodes == n) {
      cell.type = shape.cell;
      for (int p = 0; p < n; ++p)
        cell.points[static_cast<std::size_t>(p)] = slot(shape.order[static_cast<std::size_t>(p)]);
      cell.size = n;
      return cell;
    }
  }
  for (int j = 0; j < n; ++j) cell.points[static_cast<std::size_t>(j)] = slot(j);
  cell.size = n;
  return cell;
}

}  // namespace

Cell cell_of(std::int32_t type, std::int32_t node_count,
             std::span<const std::int32_t, modelfile::kNodeSlots> slots, const NodePoints& points) {
  if (node_count <= 0) return {};
  Cell cell =
      shaped(type, node_count > modelfile::kNodeSlots ? modelfile::kNodeSlots : node_count, slots);
  if (is_solid(cell.type) && solid_volume(cell, points) < 0) mirror(cell);
  return cell;
}

}  // namespace vevadar::programs
