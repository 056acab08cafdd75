#include "agreement.h"

#include "module_element.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <string>
#include <vector>

namespace molrbench {

namespace {

constexpr size_t kCheckedElements = 16;

// Collects the outputs of one group and judges them against the largest reference value.
class Group {
  public:
    explicit Group(std::string name) : name_(std::move(name)) {}
    void add(double kernel, double reference, double magnitude) {
        kernel_.push_back(kernel);
        reference_.push_back(reference);
        scale_ = std::max(scale_, magnitude);
    }
    bool judge(size_t element, std::ostream& log) const {
        bool ok = true;
        for (size_t i = 0; i < kernel_.size(); ++i) {
            const double error = std::fabs(kernel_[i] - reference_[i]);
            if (!(error <= kAgreement * scale_)) {
                log << std::setprecision(17) << "element " << element << ": " << name_ << "[" << i
                    << "] kernel " << kernel_[i] << " reference " << reference_[i] << "\n";
                ok = false;
            }
        }
        return ok;
    }

  private:
    std::string name_;
    std::vector<double> kernel_, reference_;
    double scale_ = 0.0;
};

bool tangentAgrees(ModuleElement& element, TriangleSet& set, Material material, size_t e,
                   std::ostream& log) {
    element.clearTangent();
    element.bind(set, e);
    element.tangent();
    double p[6] = {}, K[36] = {};
    referenceTangent(set.coords(e, 0), set.current(e, 0), material, p, K);
    Group stiffness("K"), residual("p");
    for (int i = 0; i < 6; ++i) {
        // The residual is K u: its rounding scales with sum |K_ij u_j|, not with |p_i|.
        double bound = 0.0;
        for (int j = 0; j < 6; ++j) {
            bound += std::fabs((j >= i ? K[6 * i + j] : K[6 * j + i]) * set.current(e, 0)[j]);
            if (j >= i) {
                stiffness.add(element.tangent(i, j), K[6 * i + j], std::fabs(K[6 * i + j]));
            }
        }
        residual.add(element.residual(i), p[i], bound);
    }
    const bool stiffnessAgrees = stiffness.judge(e, log);
    const bool residualAgrees = residual.judge(e, log);
    return stiffnessAgrees && residualAgrees;
}

bool postAgrees(ModuleElement& element, TriangleSet& set, Material material, size_t e,
                std::ostream& log) {
    element.bind(set, e);
    element.post();
    const int points = element.pointCount();
    std::vector<double> rows(6 * static_cast<size_t>(points));
    auto* pointRows = reinterpret_cast<double(*)[6]>(rows.data());
    double nodeRows[3][4], stored[3];
    referencePost(set.coords(e, 0), set.current(e, 0), material, points, pointRows, nodeRows,
                  stored);
    Group strains("strain"), stresses("stress"), nodes("node"), sums("stored");
    for (int g = 0; g < points; ++g) {
        for (int c = 0; c < 6; ++c) {
            (c < 3 ? strains : stresses)
                .add(element.pointRow(g)[c], pointRows[g][c], std::fabs(pointRows[g][c]));
        }
    }
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 4; ++c) {
            nodes.add(element.nodeRow(k)[c], nodeRows[k][c], 0.0);
        }
    }
    for (int i = 0; i < 3; ++i) {
        sums.add(element.stored()[i], stored[i], std::fabs(stored[i]));
    }
    bool ok = true;
    for (const Group* group : {&strains, &stresses, &nodes, &sums}) {
        ok = group->judge(e, log) && ok;
    }
    return ok;
}

} // namespace

bool kernelsAgreeWithReferences(TriangleSet& set, Material material, std::ostream& log) {
    const auto element = ModuleElement::create(material);
    bool ok = true;
    for (size_t e = 0; e < std::min(kCheckedElements, set.size()); ++e) {
        ok = tangentAgrees(*element, set, material, e, log) && ok;
        ok = postAgrees(*element, set, material, e, log) && ok;
    }
    return ok;
}

} // namespace molrbench
