// The extension module vevadar._vevadar: one translation as the host gets it, a model file read
// back through the checking reader of `vevadar dump`, both as NumPy arrays, and the cells of
// `vevadar vtk` in the shapes meshio knows. The Python package (vevadar/__init__.py) builds on it.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/host.h"
#include "modelfile/modelfile.h"
#include "programs/programs.h"
#include "translator/translator.h"

namespace py = pybind11;

namespace vevadar::python {
namespace {

// --- The model as arrays -----------------------------------------------------------------------

// A model file read back, in plain vectors: filled without the interpreter, then handed to NumPy
// without a copy.
struct ModelData {
  std::string header;
  std::vector<std::string> part_names;
  std::vector<std::int32_t> part_ids;
  std::vector<std::int32_t> node_labels;
  std::vector<float> xyz;
  std::vector<std::int32_t> element_label, element_type, element_part, element_node_count;
  std::vector<std::int32_t> slots;
  std::int32_t set_count = 0;
  struct RestraintSet {
    std::int32_t set;
    std::vector<std::int32_t> codes;
  };
  std::vector<RestraintSet> restraint_sets;
  struct LoadSet {
    std::int32_t set, id, datasets, second_count;
    std::vector<std::int32_t> node;
    std::vector<float> force, moment;
  };
  std::vector<LoadSet> load_sets;
};

class Collector final : public modelfile::ModelVisitor {
 public:
  Collector(ModelData& data, std::size_t bytes) : data_(data), bytes_(bytes) {}
  void header(const modelfile::RecordPlace&, std::string_view text) override {
    data_.header = std::string(text);
  }
  void counts(const modelfile::RecordPlace&, std::int32_t, std::int32_t nodes) override {
    data_.node_labels.reserve(static_cast<std::size_t>(nodes));
    data_.xyz.reserve(static_cast<std::size_t>(nodes) * 3);
    // At most one element record per 62 bytes of the file (60 bytes and two length bytes).
    const std::size_t elements =
        std::min(bytes_ / 62, static_cast<std::size_t>(modelfile::kMaxElements));
    for (auto* column : {&data_.element_label, &data_.element_type, &data_.element_part,
                         &data_.element_node_count}) {
      column->reserve(elements);
    }
    data_.slots.reserve(elements * modelfile::kNodeSlots);
  }
  void part_ids(const modelfile::RecordPlace&, std::span<const modelfile::Part> parts) override {
    for (const modelfile::Part& part : parts) {
      data_.part_names.emplace_back(part.name.data(), part.name.size());
      data_.part_ids.push_back(part.id);
    }
  }
  void node(const modelfile::RecordPlace&, std::int32_t, const modelfile::Node& node) override {
    // One value at a time into the reserved room: a range insert costs a call per node.
    data_.node_labels.push_back(node.label);
    data_.xyz.push_back(node.x);
    data_.xyz.push_back(node.y);
    data_.xyz.push_back(node.z);
  }
  void element(const modelfile::RecordPlace&, const modelfile::ElementRecord& e) override {
    data_.element_label.push_back(e.label);
    data_.element_type.push_back(e.type);
    data_.element_part.push_back(e.part);
    data_.element_node_count.push_back(e.node_count);
    for (const std::int32_t slot : e.nodes) data_.slots.push_back(slot);
  }
  void set_count(const modelfile::RecordPlace&, std::int32_t sets) override {
    data_.set_count = sets;
  }
  void restraint_column(const modelfile::RecordPlace&, std::int32_t set,
                        std::span<const std::int32_t> codes) override {
    data_.restraint_sets.push_back({set, {codes.begin(), codes.end()}});
  }
  void load_set_ids(const modelfile::RecordPlace&, std::span<const std::int32_t> ids) override {
    ids_.assign(ids.begin(), ids.end());
  }
  void load_set(const modelfile::RecordPlace&, std::int32_t set, std::int32_t datasets,
                std::int32_t second_count) override {
    data_.load_sets.push_back(
        {set, ids_[static_cast<std::size_t>(set - 1)], datasets, second_count, {}, {}, {}});
  }
  void node_load(const modelfile::RecordPlace&, std::int32_t, std::int32_t node,
                 const modelfile::Force& load) override {
    ModelData::LoadSet& set = data_.load_sets.back();
    set.node.push_back(node);
    set.force.insert(set.force.end(), std::begin(load.force), std::end(load.force));
    set.moment.insert(set.moment.end(), std::begin(load.moment), std::end(load.moment));
  }

 private:
  ModelData& data_;
  std::size_t bytes_;
  std::vector<std::int32_t> ids_;
};

// "NAME is not a valid model file: offset 1145, record 38: ...", the line of `vevadar dump`.
class ModelFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads model file bytes into `data`; the problem line when they are not a valid model file.
std::string collect(std::string_view bytes, std::string_view name, ModelData& data) {
  Collector collector(data, bytes.size());
  const modelfile::ModelReadResult read = modelfile::read_model(bytes, collector);
  if (read.ok) return {};
  return std::string(name) + " is not a valid model file: " + read.problem;
}

// A vector handed to NumPy: the array owns it.
template <class T>
py::array_t<T> to_array(std::vector<T>&& values, std::vector<py::ssize_t> shape) {
  auto* owned = new std::vector<T>(std::move(values));
  py::capsule release(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  return py::array_t<T>(std::move(shape), owned->data(), release);
}

template <class T>
py::array_t<T> rows(std::vector<T>&& values, py::ssize_t columns) {
  const auto count = static_cast<py::ssize_t>(values.size()) / columns;
  return to_array(std::move(values), {count, columns});
}

template <class T>
py::array_t<T> column(std::vector<T>&& values) {
  const auto count = static_cast<py::ssize_t>(values.size());
  return to_array(std::move(values), {count});
}

// Texts of the model file and host lines: one character a byte, as `vevadar dump --json` gives.
py::str latin1(std::string_view text) {
  PyObject* object =
      PyUnicode_DecodeLatin1(text.data(), static_cast<py::ssize_t>(text.size()), nullptr);
  if (object == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(object);
}

struct Nodes {
  py::array_t<std::int32_t> label;
  py::array_t<float> xyz;
};

struct Elements {
  py::array_t<std::int32_t> label, type, part, node_count, slots;
};

struct Parts {
  py::list name;
  py::array_t<std::int32_t> id;
};

struct RestraintSet {
  std::int32_t set;
  py::array_t<std::int32_t> codes;
};

struct LoadSet {
  std::int32_t set, id, datasets, second_count;
  py::array_t<std::int32_t> node;
  py::array_t<float> force, moment;
};

struct Model {
  py::str header;
  Nodes nodes;
  Elements elements;
  Parts parts;
  py::list restraint_sets;
  py::list load_sets;
  std::int32_t set_count = 0;
};

Model to_model(ModelData&& data) {
  Model model;
  model.header = latin1(data.header);
  model.nodes = {column(std::move(data.node_labels)), rows(std::move(data.xyz), 3)};
  model.elements = {column(std::move(data.element_label)), column(std::move(data.element_type)),
                    column(std::move(data.element_part)),
                    column(std::move(data.element_node_count)),
                    rows(std::move(data.slots), modelfile::kNodeSlots)};
  for (const std::string& name : data.part_names) model.parts.name.append(latin1(name));
  model.parts.id = column(std::move(data.part_ids));
  for (ModelData::RestraintSet& set : data.restraint_sets) {
    model.restraint_sets.append(RestraintSet{set.set, column(std::move(set.codes))});
  }
  for (ModelData::LoadSet& set : data.load_sets) {
    model.load_sets.append(LoadSet{set.set, set.id, set.datasets, set.second_count,
                                   column(std::move(set.node)), rows(std::move(set.force), 3),
                                   rows(std::move(set.moment), 3)});
  }
  model.set_count = data.set_count;
  return model;
}

Model read_model_bytes(const py::bytes& bytes, const std::string& name) {
  const std::string_view view = bytes;
  ModelData data;
  std::string problem;
  {
    py::gil_scoped_release released;
    problem = collect(view, name, data);
  }
  if (!problem.empty()) throw ModelFileError(problem);
  return to_model(std::move(data));
}

// --- One translation ---------------------------------------------------------------------------

class CapturingHost final : public host::Host {
 public:
  void information(char* line) override { messages.emplace_back(programs::host_line_text(line)); }
  void error(char* line) override { errors.emplace_back(programs::host_line_text(line)); }
  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

struct Translation {
  py::list messages;
  py::list errors;
  int exit_status = 0;
  py::object model = py::none();
};

// The bytes of a file, in a block that is not cleared before the file is read into it.
struct FileBytes {
  std::unique_ptr<char[]> block;
  std::size_t size = 0;
  [[nodiscard]] std::string_view view() const { return {block.get(), size}; }
};

// The whole of file `name`; false when it cannot be read. Read straight into one block at the
// size the file has (the model file just written), then on to its end should it have grown.
bool read_whole(const std::string& name, FileBytes& bytes) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return false;
  std::size_t capacity = 1;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (end > 0) capacity += static_cast<std::size_t>(end);
    std::rewind(file);
  }
  bytes.block.reset(new char[capacity]);
  bytes.size = std::fread(bytes.block.get(), 1, capacity, file);
  while (bytes.size == capacity && std::ferror(file) == 0) {
    std::unique_ptr<char[]> larger(new char[capacity * 2]);
    std::memcpy(larger.get(), bytes.block.get(), bytes.size);
    bytes.block = std::move(larger);
    capacity *= 2;
    bytes.size += std::fread(bytes.block.get() + bytes.size, 1, capacity - bytes.size, file);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

// Runs never overlap: the translator's tables exist once per process. Calls from several threads
// take turns here, without the interpreter's lock, instead of meeting the "BUSY" line.
std::mutex g_runs;

Translation translate(const std::string& input, const std::string& directory) {
  CapturingHost host;
  translator::RunResult result;
  ModelData data;
  std::string problem;
  bool unreadable = false;
  int reason = 0;
  const std::string model_file = directory + "/" + translator::kModelFileName;
  {
    py::gil_scoped_release released;
    const std::lock_guard<std::mutex> one_run_at_a_time(g_runs);
    result = translator::run_translation(host, input, {.directory = directory});
    if (result.end == translator::RunEnd::kCompleted) {
      FileBytes bytes;
      unreadable = !read_whole(model_file, bytes);
      reason = errno;
      if (!unreadable) problem = collect(bytes.view(), model_file, data);
    }
  }
  if (unreadable) {
    errno = reason;
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, model_file.c_str());
    throw py::error_already_set();
  }
  if (!problem.empty()) throw ModelFileError(problem);
  Translation out;
  for (const std::string& line : host.messages) out.messages.append(latin1(line));
  for (const std::string& line : host.errors) out.errors.append(latin1(line));
  out.exit_status = programs::exit_status(result);
  if (result.end == translator::RunEnd::kCompleted) out.model = py::cast(to_model(std::move(data)));
  return out;
}

// --- Cells for meshio --------------------------------------------------------------------------

class ArrayPoints final : public programs::NodePoints {
 public:
  explicit ArrayPoints(const float* xyz) : xyz_(xyz) {}
  [[nodiscard]] std::array<double, 3> at(std::int64_t index) const override {
    const float* p = xyz_ + index * 3;
    return {p[0], p[1], p[2]};
  }

 private:
  const float* xyz_;
};

// meshio's name of a VTK cell type it has; nullptr for those it has not.
const char* meshio_name(int type) {
  using namespace programs::cell_type;
  switch (type) {
    case kVertex:
      return "vertex";
    case kLine:
      return "line";
    case kTriangle:
      return "triangle";
    case kQuad:
      return "quad";
    case kTetra:
      return "tetra";
    case kHexahedron:
      return "hexahedron";
    case kWedge:
      return "wedge";
    case kQuadraticTriangle:
      return "triangle6";
    case kQuadraticQuad:
      return "quad8";
    default:
      return nullptr;
  }
}

// One block of cells of one type, in element order: their points and the element (from 0) each
// cell comes from.
struct Block {
  int type = -1;
  int size = 0;
  std::vector<std::int64_t> points;
  std::vector<std::int64_t> element;
};

// The cells of `vevadar vtk` as meshio holds them, in blocks of consecutive cells of one type, the
// node order of each as meshio's (VTK's but for the wedge). meshio has no poly-line and no
// poly-vertex: a rigid element's poly-line becomes its spokes as
// lines, a poly-vertex its nodes as vertices; an element without nodes has no cell.
py::tuple meshio_cells(const Model& model) {
  const auto types = model.elements.type.unchecked<1>();
  const auto counts = model.elements.node_count.unchecked<1>();
  const std::int32_t* slots = model.elements.slots.data();
  const ArrayPoints points(model.nodes.xyz.data());
  std::vector<Block> blocks;
  std::int64_t mirrored = 0;
  const auto add = [&](int type, std::int64_t element, const std::int64_t* first, int size) {
    if (blocks.empty() || blocks.back().type != type) blocks.push_back({type, size, {}, {}});
    blocks.back().points.insert(blocks.back().points.end(), first, first + size);
    blocks.back().element.push_back(element);
  };
  for (py::ssize_t e = 0; e < types.shape(0); ++e) {
    const std::span<const std::int32_t, modelfile::kNodeSlots> element_slots(
        slots + e * modelfile::kNodeSlots, modelfile::kNodeSlots);
    const programs::Cell cell = programs::cell_of(types(e), counts(e), element_slots, points);
    mirrored += cell.mirrored ? 1 : 0;
    const std::int64_t* p = cell.points.data();
    if (cell.type == programs::cell_type::kPolyLine) {
      for (int j = 0; j < cell.size; j += 2) add(programs::cell_type::kLine, e, p + j, 2);
    } else if (cell.type == programs::cell_type::kPolyVertex) {
      for (int j = 0; j < cell.size; ++j) add(programs::cell_type::kVertex, e, p + j, 1);
    } else if (cell.type == programs::cell_type::kWedge) {
      // meshio's wedge is Gmsh's prism, whose first triangle faces the second: VTK's 0, 2, 1, ...
      const std::array<std::int64_t, 6> prism = {p[0], p[2], p[1], p[3], p[5], p[4]};
      add(cell.type, e, prism.data(), 6);
    } else if (cell.type != programs::cell_type::kEmpty) {
      add(cell.type, e, p, cell.size);
    }
  }
  py::list out;
  for (Block& block : blocks) {
    out.append(py::make_tuple(meshio_name(block.type), rows(std::move(block.points), block.size),
                              column(std::move(block.element))));
  }
  return py::make_tuple(out, mirrored);
}

// "1 node", "2 nodes".
std::string counted(std::int64_t count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace
}  // namespace vevadar::python

PYBIND11_MODULE(_vevadar, m) {
  using namespace vevadar::python;
  m.doc() = "The translator of vevadar, for the vevadar package.";
  py::register_exception<ModelFileError>(m, "ModelFileError", PyExc_ValueError);
  m.attr("MAX_NODES") = vevadar::modelfile::kMaxNodes;
  m.attr("MAX_ELEMENTS") = vevadar::modelfile::kMaxElements;

  py::class_<Nodes>(m, "Nodes", "The node records: label (N), xyz (N x 3).")
      .def_readonly("label", &Nodes::label)
      .def_readonly("xyz", &Nodes::xyz)
      .def("__len__", [](const Nodes& n) { return n.label.shape(0); });
  py::class_<Elements>(m, "Elements",
                       "The element records: label, type, part, node_count (E), slots (E x 8).")
      .def_readonly("label", &Elements::label)
      .def_readonly("type", &Elements::type)
      .def_readonly("part", &Elements::part)
      .def_readonly("node_count", &Elements::node_count)
      .def_readonly("slots", &Elements::slots)
      .def("__len__", [](const Elements& e) { return e.label.shape(0); });
  py::class_<Parts>(m, "Parts", "The parts: name (8 characters each) and id (P).")
      .def_readonly("name", &Parts::name)
      .def_readonly("id", &Parts::id)
      .def("__len__", [](const Parts& p) { return p.id.shape(0); });
  py::class_<RestraintSet>(m, "RestraintSet",
                           "A restraint set: its number and the code of each node index.")
      .def_readonly("set", &RestraintSet::set)
      .def_readonly("codes", &RestraintSet::codes);
  py::class_<LoadSet>(m, "LoadSet",
                      "A load set: number, id, datasets, second_count, and its loaded nodes: "
                      "node index (K), force and moment (K x 3).")
      .def_readonly("set", &LoadSet::set)
      .def_readonly("id", &LoadSet::id)
      .def_readonly("datasets", &LoadSet::datasets)
      .def_readonly("second_count", &LoadSet::second_count)
      .def_readonly("node", &LoadSet::node)
      .def_readonly("force", &LoadSet::force)
      .def_readonly("moment", &LoadSet::moment);
  py::class_<Model>(m, "Model", "A model file read back and checked.")
      .def_readonly("header", &Model::header)
      .def_readonly("nodes", &Model::nodes)
      .def_readonly("elements", &Model::elements)
      .def_readonly("parts", &Model::parts)
      .def_readonly("restraint_sets", &Model::restraint_sets)
      .def_readonly("load_sets", &Model::load_sets)
      .def_readonly("set_count", &Model::set_count)
      .def("__repr__", [](const Model& model) {
        return "<vevadar.Model: " + counted(model.parts.id.shape(0), "part") + ", " +
               counted(model.nodes.label.shape(0), "node") + ", " +
               counted(model.elements.label.shape(0), "element") + ", " +
               counted(py::len(model.restraint_sets), "restraint set") + ", " +
               counted(py::len(model.load_sets), "load set") + ">";
      });
  py::class_<Translation>(m, "Translation", "One translation as the host gets it.")
      .def_readonly("messages", &Translation::messages)
      .def_readonly("errors", &Translation::errors)
      .def_readonly("exit_status", &Translation::exit_status)
      .def_readonly("model", &Translation::model)
      .def("__repr__", [](const Translation& t) {
        return "<vevadar.Translation: exit status " + std::to_string(t.exit_status) + ", " +
               counted(py::len(t.errors), "error line") + ", " +
               (t.model.is_none() ? std::string("no model") : std::string("a model")) + ">";
      });

  m.def("translate", &translate, py::arg("input"), py::arg("directory"),
        "One translation of the universal file `input` (bytes) with its files in `directory`.");
  m.def("read_model_bytes", &read_model_bytes, py::arg("data"), py::arg("name"),
        "Model file bytes read back and checked; ModelFileError names where they break.");
  m.def("meshio_cells", &meshio_cells, py::arg("model"),
        "The cells of `vevadar vtk` as meshio holds them: ([(type, points, element)], mirrored).");
}
