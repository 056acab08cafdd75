// The record is read at raw byte offsets, not through XEFRecords.h, so that a layout slip in the
// header cannot hide a wrong offset in the DLL.
#include "checks.h"
#include "molr_description.h"
#include "point_count_cases.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRecordBytes = 608;
// Bytes past the record catch a write beyond its end.
constexpr std::size_t kBufferBytes = 640;
constexpr unsigned char kCanary = 0xA5;
constexpr int kIDataEntries = 128;
constexpr int kIDataCanary = 0x5A5A5A5A;

struct Record {
    alignas(8) unsigned char bytes[kBufferBytes];
    Record() { std::memset(bytes, kCanary, sizeof bytes); }
    ElSpec* es() { return reinterpret_cast<ElSpec*>(bytes); }
    template <typename T> T at(std::size_t offset) const {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
};

std::string field(std::size_t offset) {
    return "ElSpec+" + std::to_string(offset);
}

struct IntField {
    std::size_t offset;
    int value;
};
// The default description: code 35 with its 3 points from one component rule.
const std::vector<IntField> kIntFields = {
    {148, 2}, {152, 6}, {156, 0}, {160, 3}, {164, 2},  {168, 8}, {172, 35}, {176, 0},
    {180, 3}, {184, 3}, {188, 6}, {192, 4}, {196, 1},  {200, 3}, {204, 0},  {208, 0},
    {212, 0}, {216, 0}, {220, 0}, {224, 0}, {228, 35}, {232, 0}, {236, 0},  {240, 0},
    {244, 0}, {248, 0}, {256, 0}, {264, 0}, {268, 0},  {272, 0}, {276, 327}};

struct TextField {
    std::size_t offset;
    const char* value;
};
const std::vector<TextField> kTextFields = {
    {0, "MOLR"}, {280, "T1"}, {408, "{} & "}, {424, "{Null,Null,Null}"},
    {464, ""},   {472, ""},   {480, ""},      {496, ""},
    {504, ""},   {512, ""},   {560, ""}};

struct TextList {
    std::size_t offset;
    std::vector<const char*> values;
};
const std::vector<TextList> kTextLists = {
    {288, {std::begin(molrtest::kDataNames), std::end(molrtest::kDataNames)}},
    {296, {std::begin(molrtest::kPointNames), std::end(molrtest::kPointNames)}},
    {304, {std::begin(molrtest::kNodalNames), std::end(molrtest::kNodalNames)}},
    {416, {"D", "D", "D"}},
    {432, {""}},
    {456, {""}},
    {520, {""}},
    {536, {""}}};

struct IntList {
    std::size_t offset;
    std::vector<int> values;
};
std::vector<int> initialisationCode() {
    const std::string text = "{Hold[Null], Hold[Null]}";
    std::vector<int> code = {0, static_cast<int>(text.size())};
    code.insert(code.end(), text.begin(), text.end());
    return code;
}
const std::vector<IntList> kIntLists = {
    {312, {std::begin(molrtest::kSegments), std::end(molrtest::kSegments)}},
    {320, {2, 2, 2}},
    {592, initialisationCode()}};

struct RealList {
    std::size_t offset;
    std::vector<double> values;
};
const std::vector<RealList> kRealLists = {
    {360, {std::begin(molrtest::kDefaultData), std::end(molrtest::kDefaultData)}},
    {376, {std::begin(molrtest::kReferenceNodes), std::end(molrtest::kReferenceNodes)}},
    {584, {1.0, 1.0, 1.0}},
    {600, {7.303, 7.303, 12.3}}};

// Scratch cells the host may write: their addresses and sizes in bytes.
struct Scratch {
    std::size_t offset;
    std::size_t bytes;
};
const std::vector<Scratch> kScratch = {{344, 12}, {352, 12}, {384, 12}, {440, 4},
                                       {448, 8},  {528, 4},  {544, 4},  {552, 8}};

// Every byte the library must leave as the host set it, first and last inclusive; 368 and 488 are
// the host's point list and sensitivity map.
const std::vector<std::pair<std::size_t, std::size_t>> kHostBytes = {
    {8, 15},
    {24, 47},
    {56, 147},
    {252, 255},
    {260, 263},
    {328, 343},
    {368, 375},
    {392, 407},
    {488, 495},
    {568, 583},
    {kRecordBytes, kBufferBytes - 1}};

void describe(const MolrDll& dll, Record& record, int* idata, int intCode, int dataMode,
              CheckLog& log) {
    log.expectInt(dll.setElSpec()(record.es(), idata, intCode, dataMode), 0,
                  "XEFSetElSpec(" + std::to_string(intCode) + ", " + std::to_string(dataMode) +
                      ") returns 0");
}

void checkValues(const Record& record, const MolrDll& dll, CheckLog& log) {
    for (const IntField& f : kIntFields) {
        log.expectInt(record.at<int>(f.offset), f.value, field(f.offset));
    }
    for (const TextField& f : kTextFields) {
        const auto text = record.at<const char*>(f.offset);
        log.expect(dll.owns(text), field(f.offset) + " lies in the DLL");
        log.expectText(text, f.value, field(f.offset));
    }
    for (const TextList& list : kTextLists) {
        const auto texts = record.at<const char* const*>(list.offset);
        if (!log.expect(dll.owns(texts), field(list.offset) + " lies in the DLL")) {
            continue;
        }
        for (std::size_t i = 0; i < list.values.size(); ++i) {
            log.expectText(texts[i], list.values[i],
                           field(list.offset) + "[" + std::to_string(i) + "]");
        }
    }
    for (const IntList& list : kIntLists) {
        const auto ints = record.at<const std::int32_t*>(list.offset);
        if (!log.expect(dll.owns(ints), field(list.offset) + " lies in the DLL")) {
            continue;
        }
        for (std::size_t i = 0; i < list.values.size(); ++i) {
            log.expectInt(ints[i], list.values[i],
                          field(list.offset) + "[" + std::to_string(i) + "]");
        }
    }
    for (const RealList& list : kRealLists) {
        const auto reals = record.at<const double*>(list.offset);
        if (!log.expect(dll.owns(reals), field(list.offset) + " lies in the DLL")) {
            continue;
        }
        for (std::size_t i = 0; i < list.values.size(); ++i) {
            log.expectExact(reals[i], list.values[i],
                            field(list.offset) + "[" + std::to_string(i) + "]");
        }
    }
    for (std::size_t kernel : {std::size_t{16}, std::size_t{48}}) {
        log.expect(dll.owns(record.at<const void*>(kernel)), field(kernel) + " is DLL code");
    }
}

// The cells start at zero and do not overlap, so the host may use each one on its own.
void checkScratch(const Record& record, const MolrDll& dll, CheckLog& log) {
    std::vector<std::pair<const unsigned char*, std::size_t>> cells;
    for (const Scratch& s : kScratch) {
        const auto cell = record.at<const unsigned char*>(s.offset);
        if (!log.expect(dll.owns(cell), field(s.offset) + " scratch lies in the DLL")) {
            continue;
        }
        log.expect(std::all_of(cell, cell + s.bytes, [](unsigned char b) { return b == 0; }),
                   field(s.offset) + " scratch is zero at load");
        cells.emplace_back(cell, s.bytes);
    }
    std::sort(cells.begin(), cells.end());
    for (std::size_t i = 1; i < cells.size(); ++i) {
        log.expect(cells[i - 1].first + cells[i - 1].second <= cells[i].first,
                   "scratch cells do not overlap");
    }
}

void checkHostBytes(const Record& record, CheckLog& log) {
    for (const auto& range : kHostBytes) {
        const unsigned char* first = record.bytes + range.first;
        const unsigned char* last = record.bytes + range.second + 1;
        log.expect(std::all_of(first, last, [](unsigned char b) { return b == kCanary; }),
                   "host bytes " + std::to_string(range.first) + ".." +
                       std::to_string(range.second) + " untouched");
    }
}

void checkIDataUntouched(const int* idata, CheckLog& log) {
    log.expect(std::all_of(idata, idata + kIDataEntries, [](int v) { return v == kIDataCanary; }),
               "IData untouched");
}

// With dataMode 0 the host's own material pointer survives.
void checkHostData(const MolrDll& dll, CheckLog& log) {
    Record record;
    std::vector<int> idata(kIDataEntries, kIDataCanary);
    const double hostData[2] = {210e9, 0.3};
    const double* hostPointer = hostData;
    std::memcpy(record.bytes + 360, &hostPointer, sizeof hostPointer);
    describe(dll, record, idata.data(), -1, 0, log);
    log.expect(record.at<const double*>(360) == hostData, "dataMode 0 keeps the host's data");
    checkHostBytes(record, log);
}

void checkPointCounts(const MolrDll& dll, CheckLog& log) {
    for (const molrtest::CountCase& c : molrtest::kPointCountCases) {
        Record record;
        std::vector<int> idata(kIDataEntries, kIDataCanary);
        describe(dll, record, idata.data(), c.code, -1, log);
        const std::string code = "intCode " + std::to_string(c.code) + ": ";
        log.expectInt(record.at<int>(172), c.code, code + field(172));
        log.expectInt(record.at<int>(184), c.total, code + field(184));
        const int rules[3] = {c.first, c.second, c.third};
        for (int k = 0; k < 3; ++k) {
            log.expectInt(record.at<int>(200 + 4 * k), rules[k], code + field(200 + 4 * k));
        }
        checkIDataUntouched(idata.data(), log);
    }
}

} // namespace

void checkDescription(CheckLog& log, const MolrDll& dll) {
    log.group("ElSpec from XEFSetElSpec(-1, -1)");
    Record record;
    std::vector<int> idata(kIDataEntries, kIDataCanary);
    describe(dll, record, idata.data(), -1, -1, log);
    checkValues(record, dll, log);
    checkScratch(record, dll, log);
    checkHostBytes(record, log);
    checkIDataUntouched(idata.data(), log);

    log.group("ElSpec with the host's data and other integration codes");
    checkHostData(dll, log);
    checkPointCounts(dll, log);
}
