#include "problem.h"

#include "file_kind.h"

#include <toml++/toml.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <sstream>

namespace xefhost {

namespace {

// Beyond this a load times a stiffness, or a square of either, can overflow.
constexpr double kLargestInput = 1e100;

class Reader {
  public:
    explicit Reader(std::string path) : path_(std::move(path)) {}

    [[noreturn]] void fail(const toml::node* node, const std::string& key,
                           const std::string& what) const {
        std::ostringstream message;
        message << path_;
        if (node && node->source().begin.line) {
            message << ":" << node->source().begin.line;
        }
        message << ": " << key << ": " << what;
        throw ProblemError(message.str());
    }

    // Any number the analysis takes: finite, and small enough that forces, stiffnesses and
    // their products stay finite in double precision.
    double number(const toml::node& node, const std::string& key) const {
        const auto v = node.value<double>();
        if (!v) {
            fail(&node, key, "expected a number");
        }
        if (!std::isfinite(*v) || std::fabs(*v) > kLargestInput) {
            std::ostringstream message;
            message << "expected a finite number of magnitude at most " << kLargestInput
                    << ", found " << *v;
            fail(&node, key, message.str());
        }
        return *v;
    }

    std::string text(const toml::node& node, const std::string& key) const {
        if (auto v = node.value<std::string>()) {
            return *v;
        }
        fail(&node, key, "expected a text in quotes");
    }

    std::array<double, 2> pair(const toml::node& node, const std::string& key) const {
        const toml::array* list = node.as_array();
        if (!list || list->size() != 2) {
            fail(&node, key, "expected two numbers [x, y]");
        }
        return {number(*list->get(0), key), number(*list->get(1), key)};
    }

    // Rejects keys the table does not know, so that typing mistakes are not silently ignored.
    void onlyKeys(const toml::table& table, const std::string& where,
                  std::initializer_list<const char*> known) const {
        const std::set<std::string> allowed(known.begin(), known.end());
        for (const auto& [key, node] : table) {
            if (!allowed.count(std::string(key.str()))) {
                std::string list;
                for (const char* k : known) {
                    list += (list.empty() ? "" : ", ") + std::string(k);
                }
                fail(&node, where + "." + std::string(key.str()),
                     "unknown key (expected one of: " + list + ")");
            }
        }
    }

    const toml::table& table(const toml::node& node, const std::string& key) const {
        const toml::table* t = node.as_table();
        if (!t) {
            fail(&node, key, "expected a table");
        }
        return *t;
    }

    // [[name]] arrays of tables; a single [name] table is accepted as one entry.
    std::vector<const toml::table*> entries(const toml::table& root, const char* name) const {
        std::vector<const toml::table*> list;
        const toml::node* node = root.get(name);
        if (!node) {
            return list;
        }
        if (const toml::array* array = node->as_array()) {
            for (const toml::node& item : *array) {
                list.push_back(&table(item, name));
            }
        } else {
            list.push_back(&table(*node, name));
        }
        return list;
    }

    std::string requiredGroup(const toml::table& t, const std::string& where) const {
        const toml::node* node = t.get("group");
        if (!node) {
            fail(&t, where, "missing key 'group' (a physical group name of the mesh)");
        }
        return text(*node, where + ".group");
    }

  private:
    std::string path_;
};

// An integer, or a float holding a whole number. toml++ converts a float with a cast that is
// undefined beyond the range of int64_t, so such floats are refused before it is asked.
std::optional<int64_t> wholeNumber(const toml::node& node) {
    if (const toml::value<double>* real = node.as_floating_point()) {
        if (!(std::fabs(real->get()) < 0x1p63)) {
            return std::nullopt;
        }
    }
    return node.value<int64_t>();
}

std::string resolve(const std::string& base, const std::string& file) {
    const std::filesystem::path p(file);
    return p.is_absolute() ? file : (std::filesystem::path(base).parent_path() / p).string();
}

void readMesh(const Reader& r, const toml::table& root, Problem& problem) {
    const toml::node* node = root.get("mesh");
    if (!node) {
        r.fail(&root, "mesh", "missing table [mesh] (file = \"x.msh\" or geometry = \"x.geo\")");
    }
    const toml::table& mesh = r.table(*node, "mesh");
    r.onlyKeys(mesh, "mesh", {"file", "geometry", "element_size"});
    if (const toml::node* file = mesh.get("file")) {
        problem.meshFile = resolve(problem.path, r.text(*file, "mesh.file"));
    }
    if (const toml::node* geo = mesh.get("geometry")) {
        problem.geometryFile = resolve(problem.path, r.text(*geo, "mesh.geometry"));
        const toml::node* size = mesh.get("element_size");
        if (!size) {
            r.fail(&mesh, "mesh.element_size", "a geometry needs an element size");
        }
        problem.elementSize = r.number(*size, "mesh.element_size");
        if (!(problem.elementSize > 0)) {
            r.fail(size, "mesh.element_size", "must be positive");
        }
    }
    if (problem.meshFile.empty() == problem.geometryFile.empty()) {
        r.fail(&mesh, "mesh", "give exactly one of 'file' (a .msh mesh) and 'geometry' (a .geo)");
    }
}

void readMaterials(const Reader& r, const toml::table& root, Problem& problem) {
    for (const toml::table* t : r.entries(root, "material")) {
        MaterialSpec material;
        for (const auto& [key, node] : *t) {
            const std::string name(key.str());
            if (name == "group") {
                material.group = r.text(node, "material.group");
            } else if (name == "data") {
                const toml::array* list = node.as_array();
                if (!list) {
                    r.fail(&node, "material.data", "expected a list of numbers");
                }
                for (const toml::node& v : *list) {
                    material.byPosition.push_back(r.number(v, "material.data"));
                }
            } else {
                material.byName[name] = r.number(node, "material." + name);
            }
        }
        problem.materials.push_back(material);
    }
}

std::optional<double> optionalNumber(const Reader& r, const toml::table& t, const char* key,
                                     const std::string& where) {
    const toml::node* node = t.get(key);
    if (!node) {
        return std::nullopt;
    }
    return r.number(*node, where + "." + key);
}

void readConditions(const Reader& r, const toml::table& root, Problem& problem) {
    for (const toml::table* t : r.entries(root, "fix")) {
        r.onlyKeys(*t, "fix", {"group", "x", "y", "exact"});
        FixSpec fix{r.requiredGroup(*t, "fix"), optionalNumber(r, *t, "x", "fix"),
                    optionalNumber(r, *t, "y", "fix")};
        if (const toml::node* exact = t->get("exact")) {
            const auto flag = exact->value<bool>();
            if (!flag) {
                r.fail(exact, "fix.exact", "expected true or false");
            }
            fix.fromExact = *flag;
        }
        if (!fix.x && !fix.y && !fix.fromExact) {
            r.fail(t, "fix",
                   "give 'x', 'y' or both (the prescribed displacement components), or "
                   "exact = true");
        }
        problem.fixes.push_back(fix);
    }
    for (const toml::table* t : r.entries(root, "traction")) {
        r.onlyKeys(*t, "traction", {"group", "vector"});
        const toml::node* v = t->get("vector");
        if (!v) {
            r.fail(t, "traction", "missing key 'vector' = [tx, ty]");
        }
        problem.tractions.push_back({r.requiredGroup(*t, "traction"), r.pair(*v, "vector")});
    }
    for (const toml::table* t : r.entries(root, "pressure")) {
        r.onlyKeys(*t, "pressure", {"group", "value"});
        const auto value = optionalNumber(r, *t, "value", "pressure");
        if (!value) {
            r.fail(t, "pressure", "missing key 'value'");
        }
        problem.pressures.push_back({r.requiredGroup(*t, "pressure"), *value});
    }
    for (const toml::table* t : r.entries(root, "point_load")) {
        r.onlyKeys(*t, "point_load", {"group", "force"});
        const toml::node* f = t->get("force");
        if (!f) {
            r.fail(t, "point_load", "missing key 'force' = [fx, fy]");
        }
        problem.pointLoads.push_back({r.requiredGroup(*t, "point_load"), r.pair(*f, "force")});
    }
}

void readExact(const Reader& r, const toml::table& root, Problem& problem) {
    const toml::node* node = root.get("exact");
    if (!node) {
        return;
    }
    const toml::table& t = r.table(*node, "exact");
    ExactSpec exact;
    for (const auto& [key, value] : t) {
        const std::string name(key.str());
        if (name == "solution") {
            exact.solution = r.text(value, "exact.solution");
        } else if (name == "gradient") {
            const toml::array* rows = value.as_array();
            if (!rows || rows->size() != 2) {
                r.fail(&value, "exact.gradient", "expected [[a, b], [c, d]]");
            }
            for (const toml::node& row : *rows) {
                const auto pair = r.pair(row, "exact.gradient");
                exact.gradient.insert(exact.gradient.end(), pair.begin(), pair.end());
            }
        } else if (name == "offset") {
            exact.offset = r.pair(value, "exact.offset");
        } else {
            exact.parameters[name] = r.number(value, "exact." + name);
        }
    }
    if (exact.solution != "lame-cylinder" && exact.solution != "uniform-strain") {
        r.fail(&t, "exact.solution", "expected \"lame-cylinder\" or \"uniform-strain\"");
    }
    if (exact.solution == "uniform-strain" && exact.gradient.size() != 4) {
        r.fail(&t, "exact.gradient", "uniform-strain needs gradient = [[a, b], [c, d]]");
    }
    if (exact.solution == "lame-cylinder") {
        for (const char* key : {"inner_radius", "outer_radius", "pressure"}) {
            if (!exact.parameters.count(key)) {
                r.fail(&t, std::string("exact.") + key, "lame-cylinder needs this parameter");
            }
        }
    }
    problem.exact = exact;
}

} // namespace

void readSolve(const Reader& r, const toml::table& root, Problem& problem) {
    const toml::node* node = root.get("solve");
    if (!node) {
        return;
    }
    const toml::table& t = r.table(*node, "solve");
    r.onlyKeys(t, "solve", {"steps", "max_iterations", "tolerance", "method", "options"});
    const auto positiveInteger = [&](const char* key, int& value) {
        if (const toml::node* n = t.get(key)) {
            const auto given = wholeNumber(*n);
            if (!given || *given < 1 || *given > 1000000) {
                r.fail(n, std::string("solve.") + key, "expected an integer from 1 to 1000000");
            }
            value = static_cast<int>(*given);
        }
    };
    positiveInteger("steps", problem.solve.steps);
    positiveInteger("max_iterations", problem.solve.maxIterations);
    if (const toml::node* n = t.get("tolerance")) {
        problem.solve.tolerance = r.number(*n, "solve.tolerance");
        if (!(problem.solve.tolerance > 0 && problem.solve.tolerance < 1)) {
            r.fail(n, "solve.tolerance", "must lie between 0 and 1");
        }
    }
    if (const toml::node* n = t.get("method")) {
        const std::string method = r.text(*n, "solve.method");
        if (method != "cholmod" && method != "petsc") {
            r.fail(n, "solve.method",
                   "expected \"cholmod\" or \"petsc\", found \"" + method + "\"");
        }
        problem.solve.method = method == "petsc" ? SolveMethod::Petsc : SolveMethod::Cholmod;
    }
    if (const toml::node* n = t.get("options")) {
        problem.solve.options = r.text(*n, "solve.options");
        if (problem.solve.method != SolveMethod::Petsc) {
            r.fail(n, "solve.options", "PETSc options need method = \"petsc\"");
        }
    }
}

Problem readProblem(const std::string& path) {
    Problem problem;
    problem.path = path;
    const std::string kind = notARegularFile(path);
    if (!kind.empty()) {
        throw ProblemError(path + ": " +
                           (kind == "no such file" ? "no such problem file"
                                                   : "is " + kind + ", not a problem file"));
    }
    toml::table root;
    try {
        root = toml::parse_file(path);
    } catch (const toml::parse_error& error) {
        std::ostringstream message;
        message << path << ":" << error.source().begin.line << ": " << error.description();
        throw ProblemError(message.str());
    }
    const Reader r(path);
    r.onlyKeys(root, "problem",
               {"title", "mesh", "integration_code", "material", "fix", "traction", "pressure",
                "point_load", "exact", "solve"});
    if (const toml::node* title = root.get("title")) {
        problem.title = r.text(*title, "title");
    }
    if (const toml::node* code = root.get("integration_code")) {
        const auto value = wholeNumber(*code);
        if (!value || *value < -1 || *value > std::numeric_limits<int>::max()) {
            r.fail(code, "integration_code",
                   "expected an integer from -1 to " +
                       std::to_string(std::numeric_limits<int>::max()));
        }
        problem.intCode = static_cast<int>(*value);
    }
    readMesh(r, root, problem);
    readMaterials(r, root, problem);
    readConditions(r, root, problem);
    readExact(r, root, problem);
    readSolve(r, root, problem);
    for (const FixSpec& fix : problem.fixes) {
        if (fix.fromExact && !problem.exact) {
            r.fail(&root, "fix.exact", "exact = true needs an [exact] table");
        }
    }
    if (problem.fixes.empty()) {
        r.fail(&root, "fix", "no [[fix]] table: the model would move freely");
    }
    return problem;
}

} // namespace xefhost
