// vevadar vtk MODEL OUT.vtu: a model file as a VTK unstructured grid in the XML format, which
// ParaView and every VTK reader open. Points are the node records in order (point i is node index
// i + 1); there is one cell per element record, in order.
//
// The cells are those of programs::cell_of: node orders turned into VTK's, and a solid that is
// inside out in the model written mirrored back, with a note that says how many were.
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "commands.h"
#include "modelfile/modelfile.h"
#include "programs/programs.h"

namespace vevadar::tools {
namespace {

using modelfile::Element;
using modelfile::Model;

constexpr char kUsage[] = "usage: vevadar vtk MODEL OUT.vtu\n";
constexpr char kHelp[] =
    "Writes the model file MODEL (velm.bin), after checking it as `vevadar dump` does, as a\n"
    "VTK unstructured grid OUT.vtu (XML, ASCII data; ParaView opens it).\n"
    "\n"
    "Points: the node records, in order. Cells: one per element record, by element type\n"
    "code and node count: beams, rods and springs (1, 11, 12, 6) lines; rigid elements (2)\n"
    "a line, or for more than two nodes a poly-line that goes out from the first\n"
    "(independent) node to each other node and back; shells (4) with 3, 4, 6, 8 nodes\n"
    "triangles, quadrilaterals and their quadratic forms; solids (5) with 4, 6, 8 nodes\n"
    "tetrahedra, wedges, hexahedra; lumped masses (9) vertices; any other element a vertex,\n"
    "a line or a poly-vertex by its node count, and an element without nodes an empty cell.\n"
    "Node orders are turned into VTK's; a solid that is inside out in the model is written\n"
    "mirrored (a note says how many were).\n"
    "\n"
    "Cell data: element_label, element_type, part_index, part_id.\n"
    "Point data: node_label; restraint_set_K (the restraint code of each node in set K);\n"
    "force_set_I and moment_set_I (vectors of load set I). Field data: load_set_ids.\n"
    "\n"
    "Exit status: 0 written, 1 MODEL is not a valid model file, 2 MODEL cannot be read or\n"
    "OUT cannot be written, 64 a wrong command line.\n";

using programs::Cell;

// The model's node coordinates for the cell mapping.
class ModelPoints final : public programs::NodePoints {
 public:
  explicit ModelPoints(const Model& model) : model_(model) {}
  [[nodiscard]] std::array<double, 3> at(std::int64_t index) const override {
    const modelfile::Node& node = model_.nodes[static_cast<std::size_t>(index)];
    return {node.x, node.y, node.z};
  }

 private:
  const Model& model_;
};

// The output file with a sticky error; reals printed so that they read back to the same float.
class Out {
 public:
  explicit Out(std::FILE* file) : file_(file) {}
  void text(std::string_view s) {
    ok_ = ok_ && std::fwrite(s.data(), 1, s.size(), file_) == s.size();
  }
  void integer(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text({digits, static_cast<std::size_t>(result.ptr - digits)});
  }
  void real(float value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text({digits, static_cast<std::size_t>(result.ptr - digits)});
  }
  // Values in lines of `per_line`.
  void separator(std::size_t i, std::size_t per_line) { text(i % per_line == 0 ? "\n" : " "); }
  void open_array(std::string_view type, std::string_view name, int components = 1) {
    text("<DataArray type=\"");
    text(type);
    text("\" Name=\"");
    text(name);
    text("\"");
    if (components > 1) {
      text(" NumberOfComponents=\"");
      integer(components);
      text("\"");
    }
    text(" format=\"ascii\">");
  }
  void close_array() { text("\n</DataArray>\n"); }
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  std::FILE* file_;
  bool ok_ = true;
};

void write_grid(Out& out, const Model& model, std::span<const Cell> cells) {
  const auto nodes = static_cast<std::size_t>(model.node_count);
  const std::size_t elements = cells.size();
  out.text(
      "<?xml version=\"1.0\"?>\n"
      "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
      "header_type=\"UInt64\">\n<UnstructuredGrid>\n");
  if (model.load_set_count > 0) {
    out.text("<FieldData>\n");
    out.open_array("Int32", "load_set_ids");
    for (std::size_t i = 0; i < static_cast<std::size_t>(model.load_set_count); ++i) {
      out.separator(i, 10);
      out.integer(model.load_set_ids[i]);
    }
    out.close_array();
    out.text("</FieldData>\n");
  }
  out.text("<Piece NumberOfPoints=\"");
  out.integer(static_cast<std::int64_t>(nodes));
  out.text("\" NumberOfCells=\"");
  out.integer(static_cast<std::int64_t>(elements));
  out.text("\">\n<PointData>\n");
  out.open_array("Int32", "node_label");
  for (std::size_t n = 0; n < nodes; ++n) {
    out.separator(n, 10);
    out.integer(model.nodes[n].label);
  }
  out.close_array();
  for (std::size_t k = 0; k < static_cast<std::size_t>(model.restraint_set_count); ++k) {
    out.open_array("Int32", "restraint_set_" + std::to_string(k + 1));
    for (std::size_t n = 0; n < nodes; ++n) {
      out.separator(n, 10);
      out.integer(model.restraint[k][n]);
    }
    out.close_array();
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(model.load_set_count); ++i) {
    for (const bool moment : {false, true}) {
      out.open_array("Float32", (moment ? "moment_set_" : "force_set_") + std::to_string(i + 1), 3);
      for (std::size_t n = 0; n < nodes; ++n) {
        const float* v = moment ? model.loads[i][n].moment : model.loads[i][n].force;
        for (std::size_t c = 0; c < 3; ++c) {
          out.separator(n * 3 + c, 6);
          out.real(v[c]);
        }
      }
      out.close_array();
    }
  }
  out.text("</PointData>\n<CellData>\n");
  const auto column = [&](std::string_view name, auto value) {
    out.open_array("Int32", name);
    for (std::size_t e = 0; e < elements; ++e) {
      out.separator(e, 10);
      out.integer(value(model.elements[e]));
    }
    out.close_array();
  };
  column("element_label", [](const Element& e) { return e.label; });
  column("element_type", [](const Element& e) { return e.type; });
  column("part_index", [](const Element& e) { return e.part; });
  column("part_id",
         [&](const Element& e) { return model.parts[static_cast<std::size_t>(e.part - 1)].id; });
  out.text("</CellData>\n<Points>\n");
  out.open_array("Float32", "Points", 3);
  for (std::size_t n = 0; n < nodes; ++n) {
    const modelfile::Node& node = model.nodes[n];
    for (std::size_t c = 0; c < 3; ++c) {
      out.separator(n * 3 + c, 6);
      out.real(c == 0 ? node.x : c == 1 ? node.y : node.z);
    }
  }
  out.close_array();
  out.text("</Points>\n<Cells>\n");
  out.open_array("Int64", "connectivity");
  std::size_t written = 0;
  for (const Cell& cell : cells) {
    for (int p = 0; p < cell.size; ++p) {
      out.separator(written++, 16);
      out.integer(cell.points[static_cast<std::size_t>(p)]);
    }
  }
  out.close_array();
  out.open_array("Int64", "offsets");
  std::int64_t offset = 0;
  for (std::size_t e = 0; e < elements; ++e) {
    offset += cells[e].size;
    out.separator(e, 10);
    out.integer(offset);
  }
  out.close_array();
  out.open_array("UInt8", "types");
  for (std::size_t e = 0; e < elements; ++e) {
    out.separator(e, 20);
    out.integer(cells[e].type);
  }
  out.close_array();
  out.text("</Cells>\n</Piece>\n</UnstructuredGrid>\n</VTKFile>\n");
}

// OUT is replaced as a whole: the grid goes into a temporary file beside it, which is renamed
// over OUT only once complete, so a failure or a kill leaves OUT as it was, and a link OUT is
// itself replaced, never written through. kExitOk, or kExitNoFile after one line saying why.
template <class Write>
int write_replacing(const std::string_view out_name, Write write) {
  namespace fs = std::filesystem;
  const fs::path out(out_name);
  const auto refuse = [&](const std::string& reason) {
    note("cannot write " + std::string(out_name) + ": " + reason);
    return kExitNoFile;
  };
  std::error_code error;
  const fs::file_status status = fs::symlink_status(out, error);
  if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_symlink(status)) {
    return refuse(fs::is_directory(status) ? std::strerror(EISDIR) : "not a regular file");
  }
#ifdef SIGXFSZ
  // Past the file size limit a write fails (and the temporary file goes) instead of a kill.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  std::random_device random;
  fs::path temporary;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
    temporary = out;
    temporary += ".vevadar-" + std::to_string(random()) + ".tmp";
#ifdef _WIN32
    file = std::fopen(temporary.string().c_str(), "wb");
#else
    file = std::fopen(temporary.c_str(), "wbx");  // never a file that is there already
    if (file == nullptr && errno != EEXIST) break;
#endif
  }
  if (file == nullptr) return refuse(std::strerror(errno));
  Out writer(file);
  write(writer);
  const bool closed = std::fclose(file) == 0;
  const int reason = errno;
  if (!writer.ok() || !closed) {
    fs::remove(temporary, error);
    return refuse(std::strerror(reason));
  }
  // A file replaced keeps its permissions, as one written over would.
  if (fs::is_regular_file(status)) fs::permissions(temporary, status.permissions(), error);
  fs::rename(temporary, out, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return refuse(error.message());
  }
  return kExitOk;
}

}  // namespace

int vtk_command(Arguments arguments) {
  const char* names[2] = {nullptr, nullptr};
  if (const auto done =
          read_command_line(arguments, {kUsage, kHelp, {}, names, "too many arguments"}))
    return *done;
  if (names[1] == nullptr) return usage_error("MODEL and OUT.vtu are both needed", kUsage);
  const std::string_view out_name = names[1];
  if (!out_name.ends_with(".vtu")) {
    return usage_error("OUT must end in .vtu (the VTK XML unstructured grid)", kUsage);
  }

  std::string bytes;
  if (const int status = read_input(names[0], bytes); status != kExitOk) return status;
  const std::unique_ptr<Model> model = modelfile::new_model();
  const modelfile::ModelReadResult read = modelfile::load_model(bytes, *model);
  if (!read.ok) {
    note(std::string(names[0]) + " is not a valid model file: " + read.problem);
    return kExitBadInput;
  }

  std::vector<Cell> cells(static_cast<std::size_t>(model->element_count));
  const ModelPoints points(*model);
  std::int64_t solids = 0;
  std::int64_t mirrored = 0;
  for (std::size_t e = 0; e < cells.size(); ++e) {
    const Element& element = model->elements[e];
    cells[e] = programs::cell_of(element.type, element.node_count, element.nodes, points);
    solids += programs::is_solid(cells[e].type) ? 1 : 0;
    mirrored += cells[e].mirrored ? 1 : 0;
  }

  if (const int status =
          write_replacing(out_name, [&](Out& out) { write_grid(out, *model, cells); });
      status != kExitOk)
    return status;
  if (mirrored > 0) {
    note(std::to_string(mirrored) + " of " + std::to_string(solids) +
         " solids are inside out in the model (their nodes listed mirrored) and were written "
         "mirrored back");
  }
  return kExitOk;
}

}  // namespace vevadar::tools
