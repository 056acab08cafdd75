/* Compile-time expansion of integration-rule tables.
 *
 * A rule is written once as its parameters (orbit values and weights, or one-dimensional factors)
 * and these routines expand it into the stored point order while compiling, so each table is
 * constant data in the binary and nothing runs when the library is loaded. */
#ifndef MOLR_RULE_BUILDING_H
#define MOLR_RULE_BUILDING_H

/* A rule of Count points stored as the catalogue hands it out: xi, eta, zeta, weight per point. */
template <int Count> struct RulePoints { double values[4 * Count]; };

/* A table being filled in stored order; `filled` counts the points written so far. */
template <int Count> struct RuleDraft {
    RulePoints<Count> rule;
    int filled;
};

template <int Count>
constexpr void addPoint(RuleDraft<Count>& draft, double xi, double eta, double zeta,
                        double weight) {
    double* point = draft.rule.values + 4 * draft.filled;
    point[0] = xi;
    point[1] = eta;
    point[2] = zeta;
    point[3] = weight;
    ++draft.filled;
}

/* The finished table. A draft that is not completely filled is not a constant expression, so a
 * rule whose parameters give too few points fails to compile instead of shipping zero points. */
template <int Count> constexpr RulePoints<Count> finished(const RuleDraft<Count>& draft) {
    return draft.filled == Count ? draft.rule : throw "integration rule table not filled";
}

/* One orbit of a triangle (dimensions 2) or tetrahedron (dimensions 3) rule: the points whose area
 * (volume) coordinates are all `shared` except one, which is `distinct`. There is one point per
 * corner; the first has its distinct coordinate at corner `firstCorner` (0 for L1; `dimensions`
 * names the corner whose coordinate is not stored), the next ones follow cyclically. */
template <int Count>
constexpr void addCornerOrbit(RuleDraft<Count>& draft, int dimensions, double shared,
                              double distinct, double weight, int firstCorner) {
    for (int k = 0; k <= dimensions; ++k) {
        const int corner = (firstCorner + k) % (dimensions + 1);
        double coordinates[3] = {shared, shared, dimensions == 3 ? shared : 0.0};
        if (corner < dimensions) {
            coordinates[corner] = distinct;
        }
        addPoint(draft, coordinates[0], coordinates[1], coordinates[2], weight);
    }
}

/* The six cube points at distance `a` on the axes: +xi, -xi, +eta, -eta, +zeta, -zeta. */
template <int Count> constexpr void addAxisOrbit(RuleDraft<Count>& draft, double a, double weight) {
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            double coordinates[3] = {0.0, 0.0, 0.0};
            coordinates[axis] = side == 0 ? a : -a;
            addPoint(draft, coordinates[0], coordinates[1], coordinates[2], weight);
        }
    }
}

/* The 2^dimensions points (+-a, +-a[, +-a]) in product order: xi changes fastest, minus first. */
template <int Count>
constexpr void addSignOrbit(RuleDraft<Count>& draft, int dimensions, double a, double weight) {
    for (int m = 0; m < (1 << dimensions); ++m) {
        double coordinates[3] = {0.0, 0.0, 0.0};
        for (int axis = 0; axis < dimensions; ++axis) {
            coordinates[axis] = ((m >> axis) & 1) ? a : -a;
        }
        addPoint(draft, coordinates[0], coordinates[1], coordinates[2], weight);
    }
}

/* One non-negative abscissa of a symmetric line rule and its weight. */
struct LineNode {
    double abscissa;
    double weight;
};

/* A rule on [-1, 1] symmetric about 0, from its non-negative abscissae in ascending order (0 first
 * when Count is odd); the points come out in ascending order. */
template <int Count>
constexpr RulePoints<Count> symmetricLineRule(const LineNode (&half)[(Count + 1) / 2]) {
    RuleDraft<Count> draft{};
    const int halfCount = (Count + 1) / 2;
    const int middle = Count % 2;
    for (int k = halfCount - 1; k >= middle; --k) {
        addPoint(draft, -half[k].abscissa, 0.0, 0.0, half[k].weight);
    }
    for (int k = 0; k < halfCount; ++k) {
        addPoint(draft, half[k].abscissa, 0.0, 0.0, half[k].weight);
    }
    return finished(draft);
}

constexpr int integerPower(int base, int exponent) {
    return exponent == 0 ? 1 : base * integerPower(base, exponent - 1);
}

/* The tensor product of a line rule with itself on the square (Dimensions 2) or the cube (3). Point
 * m = i + N j (+ N^2 k) takes abscissa i for xi, j for eta, k for zeta, so xi runs fastest; its
 * weight is w_i w_j (w_k), multiplied in that order as the composite rules of the same factors
 * multiply them, so that both give bitwise the same table. */
template <int Dimensions, int N>
constexpr RulePoints<integerPower(N, Dimensions)> productRule(const RulePoints<N>& line) {
    constexpr int Count = integerPower(N, Dimensions);
    RuleDraft<Count> draft{};
    for (int m = 0; m < Count; ++m) {
        double coordinates[3] = {0.0, 0.0, 0.0};
        double weight = 1.0;
        int rest = m;
        for (int axis = 0; axis < Dimensions; ++axis) {
            const double* factor = line.values + 4 * (rest % N);
            coordinates[axis] = factor[0];
            weight = weight * factor[3];
            rest /= N;
        }
        addPoint(draft, coordinates[0], coordinates[1], coordinates[2], weight);
    }
    return finished(draft);
}

#endif
