#include "info_command.h"

#include "element_description.h"
#include "integration_points.h"
#include "material_keys.h"
#include "name_escapes.h"

#include <iomanip>

namespace xefhost {

namespace {

std::string joinReadable(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + readableName(name);
    }
    return joined;
}

void printCounts(const ElSpec& es, std::ostream& out) {
    out << "  integration code   " << es.intCode << " (default " << es.defaultIntCode
        << "): " << es.intPointCount << " points; component rules " << es.rulePoints[0] << ", "
        << es.rulePoints[1] << ", " << es.rulePoints[2] << "\n";
    if (es.intPointCount == 0) {
        out << "                     (the catalogue names no rule for this code)\n";
    }
}

// Pads to a width in characters, not bytes: names may hold Greek letters.
std::string padded(const std::string& text, size_t width) {
    size_t characters = 0;
    for (unsigned char c : text) {
        characters += (c & 0xC0) != 0x80;
    }
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

void printPoints(int code, int* idata, std::ostream& out) {
    const IntegrationPoints points(code, idata);
    out << "points of integration code " << code << ": " << points.count() << "\n";
    if (idata[XEFErrorStatus] == 3) {
        out << "  (the component rules have more than three dimensions together; no points)\n";
        return;
    }
    const std::streamsize precision = out.precision(17);
    out << "  " << std::setw(5) << "#";
    for (const char* heading : {"xi", "eta", "zeta", "weight"}) {
        out << " " << std::setw(24) << heading;
    }
    out << "\n";
    for (int m = 0; m < points.count(); ++m) {
        out << "  " << std::setw(5) << m;
        for (int q = 0; q < 4; ++q) {
            out << " " << std::setw(24) << points.data()[4 * m + q];
        }
        out << "\n";
    }
    out.precision(precision);
}

} // namespace

int runInfo(const InfoOptions& options, std::ostream& out) {
    const ElementLibrary library(options.library);
    const ElementDescription element(library, -1, -1);
    const ElSpec& es = element.record();

    out << "library              " << library.path() << "\n";
    out << "  code name          " << (es.codeName ? es.codeName : "(none)") << "\n";
    out << "  topology           " << (es.topology ? es.topology : "(none)") << ", "
        << es.dimensions << " dimensions\n";
    out << "  nodes              " << es.nodeCount << ", unknowns per node";
    for (int k = 0; es.nodeDofs && k < es.nodeCount; ++k) {
        out << (k ? ", " : " ") << es.nodeDofs[k];
    }
    out << " (" << es.dofCount << " in all)\n";
    out << "  material data      " << es.dataCount << "\n";
    const std::vector<std::string> dataNames = element.dataNames();
    for (size_t i = 0; i < dataNames.size(); ++i) {
        std::string symbol, explanation;
        splitDataName(dataNames[i], symbol, explanation);
        out << "    " << padded(symbol, 8) << " default " << std::setw(8)
            << (es.data ? es.data[i] : 0.0);
        if (!explanation.empty()) {
            out << "  (" << explanation << ")";
        }
        out << "\n";
    }
    out << "  point quantities   " << es.gpostCount << ": " << joinReadable(element.gpostNames())
        << "\n";
    out << "  nodal quantities   " << es.npostCount << ": " << joinReadable(element.npostNames())
        << "\n";
    printCounts(es, out);
    ElementDescription requested(library, options.hasIntCode ? options.intCode : -1, -1);
    if (options.hasIntCode) {
        out << "requested code " << options.intCode << "\n";
        printCounts(requested.record(), out);
    }
    if (options.listPoints) {
        out.flush();
        printPoints(requested.record().intCode, requested.idata(), out);
    }
    return 0;
}

} // namespace xefhost
