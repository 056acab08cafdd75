// SVG pictures of a deformed mesh: element outlines by colour level, or a raster of averages.
#include "svg_writer.h"

#include "atomic_file.h"
#include "colour_map.h"
#include "raster_average.h"
#include "reference_cell.h"
#include "text_escape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace xefhost {

namespace {

constexpr double pictureWidth = 1000, margin = 20, titleBand = 50, noteBand = 40, barBand = 150;
constexpr double plotWidthLimit = pictureWidth - 2 * margin - barBand, plotHeightLimit = 700;
constexpr double contentHeightMinimum = 300;
constexpr int gridLimit = 400;
// Below this many elements the edges are drawn; above, they would blacken the picture.
constexpr size_t edgeLimit = 5000;

// The mesh as the picture needs it: its cells and their reference shape.
struct Cells {
    const std::vector<int32_t>& nodes;
    const ReferenceCell& shape;
    size_t count;
    const int32_t* of(size_t e) const { return &nodes[e * shape.nodes]; }
};

void checkInput(const std::vector<double>& coords, const Cells& cells,
                const std::vector<double>& displacement) {
    const size_t points = coords.size() / 3;
    if (coords.size() % 3 != 0 || displacement.size() != 2 * points ||
        cells.nodes.size() != cells.shape.nodes * cells.count) {
        throw std::invalid_argument("picture data of inconsistent sizes");
    }
    for (const int32_t node : cells.nodes) {
        if (node < 0 || static_cast<size_t>(node) >= points) {
            throw std::invalid_argument("cell node " + std::to_string(node) + " of " +
                                        std::to_string(points) + " points");
        }
    }
}

std::vector<double> deformedPoints(const std::vector<double>& coords,
                                   const std::vector<double>& displacement, double scale) {
    const size_t points = coords.size() / 3;
    std::vector<double> deformed(2 * points);
    for (size_t p = 0; p < points; ++p) {
        for (size_t k = 0; k < 2; ++k) {
            deformed[2 * p + k] = coords[3 * p + k] + scale * displacement[2 * p + k];
            if (!std::isfinite(deformed[2 * p + k])) {
                throw std::invalid_argument("point " + std::to_string(p) +
                                            " has no finite deformed position");
            }
        }
    }
    return deformed;
}

PlaneBounds boundsOf(const std::vector<double>& points, const std::vector<int32_t>& nodes) {
    PlaneBounds bounds;
    for (const int32_t corner : nodes) {
        bounds.add(points[2 * corner], points[2 * corner + 1]);
    }
    return bounds;
}

PictureFrame frameOf(double xMin, double xMax, double yMin, double yMax) {
    // A mesh without extent in one direction still needs a drawable frame.
    double extent = std::max(xMax - xMin, yMax - yMin);
    extent = extent > 0 ? extent : 1.0;
    const double width = std::max(xMax - xMin, 1e-6 * extent);
    const double height = std::max(yMax - yMin, 1e-6 * extent);
    const double pixelsPerUnit = std::min(plotWidthLimit / width, plotHeightLimit / height);
    const double contentHeight = std::max(height * pixelsPerUnit, contentHeightMinimum);
    return {xMin,
            yMax,
            width,
            height,
            pixelsPerUnit,
            margin,
            titleBand + (contentHeight - height * pixelsPerUnit) / 2,
            contentHeight};
}

PictureGrid gridOf(const PictureFrame& frame) {
    const double cellSize = std::max(frame.width, frame.height) / gridLimit;
    const int columns =
        std::clamp(static_cast<int>(std::ceil(frame.width / cellSize)), 1, gridLimit);
    const int rows = std::clamp(static_cast<int>(std::ceil(frame.height / cellSize)), 1, gridLimit);
    return {frame, cellSize, columns, rows};
}

void appendCoordinate(std::string& svg, double value) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    svg.append(text, end);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string colourOfLevel(int level) {
    return hexColour(viridis(static_cast<double>(level) / (colourLevels - 1)));
}

// One path per colour level keeps the file small and its order deterministic.
void appendPaths(std::string& svg, const std::vector<std::string>& pathOfLevel, bool strokeInFill) {
    for (int level = 0; level < colourLevels; ++level) {
        if (pathOfLevel[level].empty()) {
            continue;
        }
        const std::string colour = colourOfLevel(level);
        svg += "<path fill=\"" + colour + "\"";
        if (strokeInFill) {
            svg += " stroke=\"" + colour + "\"";
        }
        svg += " d=\"" + pathOfLevel[level] + "\"/>\n";
    }
}

void appendPoint(std::string& path, double x, double y, const PictureFrame& frame) {
    appendCoordinate(path, frame.left + (x - frame.xMin) * frame.pixelsPerUnit);
    path += ' ';
    appendCoordinate(path, frame.top + (frame.yMax - y) * frame.pixelsPerUnit);
}

// Straight edges as lines; an edge with a node inside as the quadratic Bezier curve that passes
// through that node halfway, whose control point is 2 m - (a + b) / 2.
void appendOutline(std::string& path, const std::vector<double>& points, const int32_t* nodes,
                   const ReferenceCell& shape, const PictureFrame& frame) {
    const size_t corners = shape.corners.size();
    const auto x = [&](int local) { return points[2 * nodes[local]]; };
    const auto y = [&](int local) { return points[2 * nodes[local] + 1]; };
    char command = 'M';
    path += command;
    appendPoint(path, x(shape.corners[0]), y(shape.corners[0]), frame);
    // Repeated commands are left implicit, which keeps large pictures small.
    const auto begin = [&](char wanted) {
        path += wanted == command ? ' ' : wanted;
        command = wanted;
    };
    for (size_t k = 0; k < corners; ++k) {
        const int a = shape.corners[k], b = shape.corners[(k + 1) % corners];
        const int m = shape.edgeNodes[k];
        if (m >= 0) {
            begin('Q');
            appendPoint(path, 2 * x(m) - (x(a) + x(b)) / 2, 2 * y(m) - (y(a) + y(b)) / 2, frame);
            path += ' ';
            appendPoint(path, x(b), y(b), frame);
        } else if (k + 1 < corners) { // 'Z' draws the last straight edge
            begin('L');
            appendPoint(path, x(b), y(b), frame);
        }
    }
    path += 'Z';
}

void drawCells(std::string& svg, const std::vector<double>& points, const Cells& cells,
               const std::vector<double>& values, double low, double high,
               const PictureFrame& frame) {
    std::vector<std::string> pathOfLevel(colourLevels);
    for (size_t e = 0; e < values.size(); ++e) {
        if (std::isfinite(values[e])) {
            appendOutline(pathOfLevel[colourLevel(values[e], low, high)], points, cells.of(e),
                          cells.shape, frame);
        }
    }
    // Small meshes show their edges; larger ones get strokes in the fill colour, which close the
    // hairline seams that anti-aliasing leaves between neighbouring triangles.
    const bool edges = values.size() <= edgeLimit;
    svg += edges ? "<g stroke=\"#202020\" stroke-width=\"0.4\" stroke-linejoin=\"round\">\n"
                 : "<g stroke-width=\"0.5\" stroke-linejoin=\"round\">\n";
    appendPaths(svg, pathOfLevel, !edges);
    svg += "</g>\n";
}

// The grid takes the deformed points in its own units; each element is covered by the
// triangles of its reference shape.
RasterSums rasterSumsOn(const PictureGrid& grid, const std::vector<double>& points,
                        const Cells& cells, const std::vector<double>& values) {
    const PictureFrame& frame = grid.frame;
    std::vector<double> gridPoints(points.size());
    for (size_t p = 0; p < points.size() / 2; ++p) {
        gridPoints[2 * p] = (points[2 * p] - frame.xMin) / grid.cellSize;
        gridPoints[2 * p + 1] = (frame.yMax - points[2 * p + 1]) / grid.cellSize;
    }
    const std::vector<int>& local = cells.shape.triangles;
    std::vector<int32_t> triangles;
    triangles.reserve(local.size() * cells.count);
    for (size_t e = 0; e < cells.count; ++e) {
        for (const int node : local) {
            triangles.push_back(cells.of(e)[node]);
        }
    }
    return rasterSums(gridPoints, triangles, static_cast<int>(local.size() / 3), values,
                      grid.columns, grid.rows);
}

// Returns the grid's description for the note under the picture.
std::string drawRaster(std::string& svg, const PictureGrid& grid,
                       const std::vector<double>& average, double low, double high) {
    const int columns = grid.columns, rows = grid.rows;
    std::vector<std::string> pathOfLevel(colourLevels);
    for (int row = 0; row < rows; ++row) {
        const double* cell = &average[static_cast<size_t>(row) * columns];
        for (int start = 0, end; start < columns; start = end) {
            end = start + 1;
            if (std::isnan(cell[start])) {
                continue;
            }
            const int level = colourLevel(cell[start], low, high);
            while (end < columns && !std::isnan(cell[end]) &&
                   colourLevel(cell[end], low, high) == level) {
                ++end;
            }
            const std::string length = std::to_string(end - start);
            pathOfLevel[level] += "M" + std::to_string(start) + " " + std::to_string(row) + "h" +
                                  length + "v1h-" + length + "z";
        }
    }
    const PictureFrame& frame = grid.frame;
    svg += "<g shape-rendering=\"crispEdges\" transform=\"translate(" + number(frame.left) + " " +
           number(frame.top) + ") scale(" + number(grid.cellSize * frame.pixelsPerUnit) + ")\">\n";
    appendPaths(svg, pathOfLevel, false);
    svg += "</g>\n";
    return "; colours averaged over " + std::to_string(columns) + " x " + std::to_string(rows) +
           " cells";
}

void drawColourBar(std::string& svg, double low, double high, const std::string& valueLabel,
                   const PictureFrame& frame) {
    const double x = margin + plotWidthLimit + 30, top = titleBand + 30;
    const double bottom = titleBand + frame.contentHeight - 10, width = 20;
    svg += "<defs><linearGradient id=\"scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">";
    for (size_t k = 0; k < viridisKeys.size(); ++k) {
        svg += "<stop offset=\"" + number(static_cast<double>(k) / (viridisKeys.size() - 1)) +
               "\" stop-color=\"" + hexColour(viridisKeys[k]) + "\"/>";
    }
    svg += "</linearGradient></defs>\n<g id=\"colour-bar\" font-size=\"13\">\n";
    svg += "<text x=\"" + number(x) + "\" y=\"" + number(top - 12) + "\">" + xmlEscape(valueLabel) +
           "</text>\n";
    svg += "<rect x=\"" + number(x) + "\" y=\"" + number(top) + "\" width=\"" + number(width) +
           "\" height=\"" + number(bottom - top) + "\" fill=\"url(#scale)\" stroke=\"#202020\" " +
           "stroke-width=\"0.5\"/>\n";
    for (const auto& [y, value] : {std::pair{top, high}, std::pair{bottom, low}}) {
        svg += "<line x1=\"" + number(x + width) + "\" y1=\"" + number(y) + "\" x2=\"" +
               number(x + width + 5) + "\" y2=\"" + number(y) + "\" stroke=\"#202020\"/>";
        svg += "<text x=\"" + number(x + width + 8) + "\" y=\"" + number(y + 4) + "\">" +
               number(value) + "</text>\n";
    }
    svg += "</g>\n";
}

double remarkBand(const std::string& remark) {
    return remark.empty() ? 0 : 18;
}

double pictureHeight(const PictureFrame& frame, const std::string& remark) {
    return titleBand + frame.contentHeight + noteBand + remarkBand(remark);
}

std::string pictureHead(const PictureFrame& frame, const std::string& title,
                        const std::string& remark) {
    const double height = pictureHeight(frame, remark);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           number(pictureWidth) + "\" height=\"" + number(height) + "\" viewBox=\"0 0 " +
           number(pictureWidth) + " " + number(height) +
           "\" font-family=\"sans-serif\">\n<rect width=\"100%\" height=\"100%\" "
           "fill=\"white\"/>\n<text x=\"" +
           number(margin) + "\" y=\"32\" font-size=\"18\">" + xmlEscape(title) + "</text>\n";
}

std::string scaleNote(double deformationScale) {
    return "Deformed shape: displacements drawn \u00D7" + number(deformationScale);
}

// The colour bar (where there is a colour range), the note of the scale and the remark.
void finishPicture(std::string& svg, const PictureFrame& frame, double low, double high,
                   const std::string& valueLabel, const std::string& note,
                   const std::string& remark) {
    if (std::isfinite(low) && std::isfinite(high)) {
        drawColourBar(svg, low, high, valueLabel, frame);
    }
    const double height = pictureHeight(frame, remark);
    svg += "<text id=\"scale-note\" x=\"" + number(margin) + "\" y=\"" +
           number(height - 14 - remarkBand(remark)) + "\" font-size=\"13\">" + xmlEscape(note) +
           "</text>\n";
    if (!remark.empty()) {
        svg += "<text id=\"remark\" x=\"" + number(margin) + "\" y=\"" + number(height - 14) +
               "\" font-size=\"13\">" + xmlEscape(remark) + "</text>\n";
    }
    svg += "</svg>\n";
}

std::string rasterPicture(const PictureGrid& grid, const std::vector<double>& average, double low,
                          double high, double deformationScale, const std::string& title,
                          const std::string& valueLabel, const std::string& remark) {
    std::string svg = pictureHead(grid.frame, title, remark);
    const std::string note =
        scaleNote(deformationScale) + drawRaster(svg, grid, average, low, high);
    finishPicture(svg, grid.frame, low, high, valueLabel, note, remark);
    return svg;
}

// The mesh's cells, checked against the points and their deformed positions.
Cells checkedCells(const std::vector<double>& coords, const std::vector<int32_t>& cells,
                   int nodesPerCell, const std::vector<double>& displacement) {
    const ReferenceCell& shape = referenceCell(nodesPerCell);
    const Cells mesh{cells, shape, cells.size() / shape.nodes};
    checkInput(coords, mesh, displacement);
    return mesh;
}

} // namespace

void writeSvg(const std::string& path, const std::vector<double>& coords,
              const std::vector<int32_t>& cells, int nodesPerCell,
              const std::vector<double>& displacement, double deformationScale,
              const std::vector<double>& cellValue, const std::string& title,
              const std::string& valueLabel, const std::string& remark) {
    AtomicFileSet files;
    writeSvg(files, path, coords, cells, nodesPerCell, displacement, deformationScale, cellValue,
             title, valueLabel, remark);
    files.commit();
}

void writeSvg(AtomicFileSet& files, const std::string& path, const std::vector<double>& coords,
              const std::vector<int32_t>& cells, int nodesPerCell,
              const std::vector<double>& displacement, double deformationScale,
              const std::vector<double>& cellValue, const std::string& title,
              const std::string& valueLabel, const std::string& remark) {
    const Cells mesh{cells, referenceCell(nodesPerCell), cellValue.size()};
    if (mesh.count == 0) {
        throw std::invalid_argument("picture data of inconsistent sizes");
    }
    checkInput(coords, mesh, displacement);
    const std::vector<double> points = deformedPoints(coords, displacement, deformationScale);
    const PlaneBounds bounds = boundsOf(points, cells);
    const PictureFrame frame = frameOf(bounds.xMin, bounds.xMax, bounds.yMin, bounds.yMax);
    double low = NAN, high = NAN;
    bool any = false;
    for (const double value : cellValue) {
        if (std::isfinite(value)) {
            low = any ? std::min(low, value) : value;
            high = any ? std::max(high, value) : value;
            any = true;
        }
    }
    if (cellValue.size() > svgTriangleLimit) {
        const PictureGrid grid = gridOf(frame);
        files.addText(
            path, rasterPicture(grid, rasterAverage(rasterSumsOn(grid, points, mesh, cellValue)),
                                low, high, deformationScale, title, valueLabel, remark));
        return;
    }
    std::string svg = pictureHead(frame, title, remark);
    drawCells(svg, points, mesh, cellValue, low, high, frame);
    finishPicture(svg, frame, low, high, valueLabel, scaleNote(deformationScale), remark);
    files.addText(path, svg);
}

PlaneBounds deformedBounds(const std::vector<double>& coords, const std::vector<int32_t>& cells,
                           int nodesPerCell, const std::vector<double>& displacement,
                           double deformationScale) {
    checkedCells(coords, cells, nodesPerCell, displacement);
    return boundsOf(deformedPoints(coords, displacement, deformationScale), cells);
}

PictureGrid pictureGrid(double xMin, double xMax, double yMin, double yMax) {
    if (!(std::isfinite(xMin) && std::isfinite(xMax) && std::isfinite(yMin) &&
          std::isfinite(yMax) && xMin <= xMax && yMin <= yMax)) {
        throw std::invalid_argument("no picture of an empty or unbounded box");
    }
    return gridOf(frameOf(xMin, xMax, yMin, yMax));
}

RasterSums pictureRasterSums(const PictureGrid& grid, const std::vector<double>& coords,
                             const std::vector<int32_t>& cells, int nodesPerCell,
                             const std::vector<double>& displacement, double deformationScale,
                             const std::vector<double>& cellValue) {
    const Cells mesh = checkedCells(coords, cells, nodesPerCell, displacement);
    if (cellValue.size() != mesh.count) {
        throw std::invalid_argument("picture data of inconsistent sizes");
    }
    return rasterSumsOn(grid, deformedPoints(coords, displacement, deformationScale), mesh,
                        cellValue);
}

void writeSvgRaster(AtomicFileSet& files, const std::string& path, const PictureGrid& grid,
                    const std::vector<double>& average, double low, double high,
                    double deformationScale, const std::string& title,
                    const std::string& valueLabel, const std::string& remark) {
    if (grid.columns < 1 || grid.rows < 1 ||
        average.size() != static_cast<size_t>(grid.columns) * grid.rows) {
        throw std::invalid_argument("a picture grid of " + std::to_string(grid.columns) + " x " +
                                    std::to_string(grid.rows) + " cells given " +
                                    std::to_string(average.size()) + " averages");
    }
    files.addText(
        path, rasterPicture(grid, average, low, high, deformationScale, title, valueLabel, remark));
}

} // namespace xefhost
