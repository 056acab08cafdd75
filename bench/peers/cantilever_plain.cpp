// The benchmark cantilever as ordinary C++ would solve it, without tuning: P1 plane-strain
// elasticity on the Gmsh file that xefhost reads, assembled as Eigen triplets and factorized by
// CHOLMOD's supernodal Cholesky with its default ordering. The reader knows only what
// bench/cantilever_mesh.py writes (Gmsh 4.1 binary, curves "clamped" and "tip").
//
//   g++ -O2 -DNDEBUG -std=c++17 -I/usr/include/eigen3 -I/usr/include/suitesparse
//       cantilever_plain.cpp -o cantilever_plain -lcholmod
//   OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 ./cantilever_plain cantilever.msh

#include <Eigen/CholmodSupport>
#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double youngs = 1000.0, poisson = 0.3, traction = -1.0, length = 10.0;

struct Mesh {
    std::vector<Eigen::Vector2d> xy; // by node tag - 1
    std::vector<std::array<std::size_t, 3>> triangles;
    std::map<std::string, std::vector<std::array<std::size_t, 2>>> lines; // by curve name
};

[[noreturn]] void fail(const std::string& why) {
    throw std::runtime_error(why);
}

struct Reader {
    explicit Reader(const char* path) : in_(path, std::ios::binary) {
        if (!in_)
            fail(std::string("cannot open ") + path);
    }
    template <class T> T get() { return get<T>(1)[0]; }
    template <class T> std::vector<T> get(std::size_t count) {
        std::vector<T> values(count);
        if (!in_.read(reinterpret_cast<char*>(values.data()), count * sizeof(T)))
            fail("the mesh file ends early");
        return values;
    }
    std::string line() {
        std::string text;
        std::getline(in_, text);
        return text;
    }
    void expect(std::initializer_list<std::string> texts) {
        for (const std::string& text : texts)
            if (line() != text)
                fail("not a mesh of bench/cantilever_mesh.py: expected '" + text + "'");
    }
    std::ifstream in_;
};

Mesh readMesh(const char* path) {
    Reader in(path);
    in.expect({"$MeshFormat", "4.1 1 8"}); // version 4.1, binary, 8-byte size_t
    if (in.get<std::int32_t>() != 1)
        fail("the mesh file was written with the other byte order");
    in.expect({"", "$EndMeshFormat", "$PhysicalNames"});
    std::map<int, std::string> curveNames; // physical tag of dimension 1 -> name
    for (int count = std::stoi(in.line()); count > 0; --count) {
        int dim = 0, tag = 0;
        char name[64] = "";
        if (std::sscanf(in.line().c_str(), "%d %d \"%63[^\"]\"", &dim, &tag, name) != 3)
            fail("unreadable $PhysicalNames");
        if (dim == 1)
            curveNames[tag] = name;
    }
    in.expect({"$EndPhysicalNames", "$Entities"});
    const auto entities = in.get<std::uint64_t>(4); // points, curves, surfaces, volumes
    if (entities[0] != 0 || entities[3] != 0)
        fail("points or volumes in $Entities");
    std::map<int, std::string> curveGroup; // curve entity tag -> physical name
    for (std::uint64_t e = 0; e < entities[1] + entities[2]; ++e) {
        const auto tag = in.get<std::int32_t>();
        in.get<double>(6); // bounding box
        const auto physical = in.get<std::int32_t>(in.get<std::uint64_t>());
        in.get<std::int32_t>(in.get<std::uint64_t>()); // bounding entities
        if (e < entities[1] && physical.size() == 1)
            curveGroup[tag] = curveNames[physical[0]];
    }
    in.expect({"", "$EndEntities", "$Nodes"});
    Mesh mesh;
    const auto nodes = in.get<std::uint64_t>(4); // blocks, nodes, smallest and largest tag
    if (nodes[2] != 1 || nodes[3] != nodes[1])
        fail("node tags are not 1 to the node count");
    mesh.xy.resize(nodes[1]);
    const auto index = [&nodes](std::uint64_t tag) {
        if (tag < 1 || tag > nodes[1])
            fail("node tag out of range");
        return static_cast<std::size_t>(tag - 1);
    };
    for (std::uint64_t block = 0; block < nodes[0]; ++block) {
        if (in.get<std::int32_t>(3)[2] != 0)
            fail("parametric nodes");
        const auto count = in.get<std::uint64_t>();
        const auto tags = in.get<std::uint64_t>(count);
        const auto xyz = in.get<double>(3 * count);
        for (std::uint64_t n = 0; n < count; ++n)
            mesh.xy[index(tags[n])] = Eigen::Vector2d(xyz[3 * n], xyz[3 * n + 1]);
    }
    in.expect({"", "$EndNodes", "$Elements"});
    const auto blocks = in.get<std::uint64_t>(4)[0];
    for (std::uint64_t block = 0; block < blocks; ++block) {
        const auto head = in.get<std::int32_t>(3); // dimension, entity tag, element type
        const std::uint64_t corners = head[2] == 1 ? 2 : head[2] == 2 ? 3 : 0;
        if (corners == 0)
            fail("elements other than 2-node lines and 3-node triangles");
        const auto count = in.get<std::uint64_t>();
        const auto data = in.get<std::uint64_t>(count * (corners + 1)); // tag, then nodes
        for (std::uint64_t e = 0; e < count; ++e) {
            const std::uint64_t* node = &data[e * (corners + 1) + 1];
            if (corners == 3)
                mesh.triangles.push_back({index(node[0]), index(node[1]), index(node[2])});
            else
                mesh.lines[curveGroup[head[1]]].push_back({index(node[0]), index(node[1])});
        }
    }
    in.expect({"", "$EndElements"});
    if (mesh.lines.count("clamped") == 0 || mesh.lines.count("tip") == 0)
        fail("no line elements on the curves \"clamped\" and \"tip\"");
    return mesh;
}

} // namespace

int main(int argc, char** argv) try {
    if (argc != 2)
        fail("usage: cantilever_plain cantilever.msh");
    auto start = std::chrono::steady_clock::now();
    const auto seconds = [&start] {
        const auto now = std::chrono::steady_clock::now();
        return std::chrono::duration<double>(now - std::exchange(start, now)).count();
    };
    const Mesh mesh = readMesh(argv[1]);
    const double meshTime = seconds();

    std::vector<int> dof(2 * mesh.xy.size(), 0); // equation of each unknown, -1 where fixed
    for (const auto& line : mesh.lines.at("clamped"))
        for (std::size_t n : line)
            dof[2 * n] = dof[2 * n + 1] = -1;
    int unknowns = 0;
    for (int& d : dof)
        d = d < 0 ? -1 : unknowns++;

    const double mu = youngs / (2 * (1 + poisson));
    const double lambda = youngs * poisson / ((1 + poisson) * (1 - 2 * poisson)); // plane strain
    Eigen::Matrix3d elasticity;
    elasticity << lambda + 2 * mu, lambda, 0, lambda, lambda + 2 * mu, 0, 0, 0, mu;
    std::vector<Eigen::Triplet<double>> triplets;
    triplets.reserve(36 * mesh.triangles.size());
    for (const auto& t : mesh.triangles) {
        Eigen::Matrix<double, 3, 6> strain = Eigen::Matrix<double, 3, 6>::Zero(); // B * 2 area
        for (int i = 0; i < 3; ++i) {
            const Eigen::Vector2d opposite = mesh.xy[t[(i + 2) % 3]] - mesh.xy[t[(i + 1) % 3]];
            strain(0, 2 * i) = strain(2, 2 * i + 1) = -opposite.y();
            strain(1, 2 * i + 1) = strain(2, 2 * i) = opposite.x();
        }
        const Eigen::Vector2d u = mesh.xy[t[1]] - mesh.xy[t[0]], v = mesh.xy[t[2]] - mesh.xy[t[0]];
        const double twiceArea = std::abs(u.x() * v.y() - u.y() * v.x());
        const Eigen::Matrix<double, 6, 6> k =
            strain.transpose() * elasticity * strain / (2 * twiceArea); // thickness 1
        for (int p = 0; p < 6; ++p)
            for (int q = 0; q < 6; ++q) {
                const int row = dof[2 * t[p / 2] + p % 2], column = dof[2 * t[q / 2] + q % 2];
                if (row >= 0 && column >= 0)
                    triplets.emplace_back(row, column, k(p, q));
            }
    }
    Eigen::SparseMatrix<double> stiffness(unknowns, unknowns);
    stiffness.setFromTriplets(triplets.begin(), triplets.end());
    Eigen::VectorXd load = Eigen::VectorXd::Zero(unknowns);
    for (const auto& line : mesh.lines.at("tip")) { // half of each segment's load to either end
        const double share = 0.5 * traction * (mesh.xy[line[1]] - mesh.xy[line[0]]).norm();
        for (std::size_t n : line)
            if (dof[2 * n + 1] >= 0)
                load[dof[2 * n + 1]] += share;
    }
    const double assemblyTime = seconds();

    const Eigen::CholmodSupernodalLLT<Eigen::SparseMatrix<double>> cholesky(stiffness);
    if (cholesky.info() != Eigen::Success)
        fail("CHOLMOD could not factorize the stiffness matrix");
    const Eigen::VectorXd displacement = cholesky.solve(load);
    const double solveTime = seconds();

    const auto corner = std::find(mesh.xy.begin(), mesh.xy.end(), Eigen::Vector2d(length, 0));
    const int tip = corner == mesh.xy.end() ? -1 : dof[2 * (corner - mesh.xy.begin()) + 1];
    if (tip < 0)
        fail("no free node at the tip corner (10, 0)");
    std::printf("nodes %zu, triangles %zu, unknowns %d, CHOLMOD supernodal LLT\n", mesh.xy.size(),
                mesh.triangles.size(), unknowns);
    std::printf("time mesh %.3f s, assembly %.3f s, solve %.3f s\n", meshTime, assemblyTime,
                solveTime);
    std::printf("tip deflection %.15g\n", displacement[tip]);
    std::printf("strain energy %.15g\n", 0.5 * load.dot(displacement));
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "cantilever_plain: %s\n", error.what());
    return 1;
}
