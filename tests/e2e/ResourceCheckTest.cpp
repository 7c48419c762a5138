// The resources of the built setup.exe, as Windows (Wine) reads them,
// compared with the tables in res/ that the simulated dialog framework uses:
// ResourceCheck.exe (tests/fixtures/ResourceCheck) loads setup.exe as a data
// file and prints every string, every dialog template as stored and as
// CreateDialogParamA builds it, the bitmap, the icon and the manifest; the
// tests here read that output, in a 32-bit and in a 64-bit prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/SimResources.h"
#include "res/ResourceTables.h"
#include "tests/e2e/WineHarness.h"

namespace {

// One line of the check's output: the leading words ("item 103 0") and the
// key=value fields after them, quoted texts unescaped.
struct Record {
    std::vector<std::string> words;
    std::map<std::string, std::string> fields;

    [[nodiscard]] std::string Field(const std::string& key) const {
        const auto found = fields.find(key);
        return found == fields.end() ? "<no " + key + ">" : found->second;
    }
    [[nodiscard]] long Number(const std::string& key) const {
        const auto found = fields.find(key);
        return found == fields.end() ? -999999 : std::strtol(found->second.c_str(), nullptr, 0);
    }
};

// Undoes the check's escapes: \\, \", \n, \r, \t and \xHH.
std::string Unescape(std::string_view quoted) {
    std::string out;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\' || i + 2 >= quoted.size()) {
            out += quoted[i];
            continue;
        }
        const char next = quoted[++i];
        switch (next) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x':
            out += static_cast<char>(std::strtol(std::string(quoted.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
            break;
        default: out += next;
        }
    }
    return out;
}

// Splits a line at blanks outside quoted texts.
std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' && !quoted) {
            if (!tokens.back().empty()) tokens.emplace_back();
            continue;
        }
        tokens.back() += c;
        if (quoted && c == '\\' && i + 1 < line.size()) {
            tokens.back() += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
        }
    }
    if (tokens.back().empty()) tokens.pop_back();
    return tokens;
}

Record ParseRecord(const std::string& line) {
    Record record;
    for (const std::string& token : Tokens(line)) {
        const std::size_t equals = token.find('=');
        const std::size_t quote = token.find('"');
        if (equals == std::string::npos || (quote != std::string::npos && quote < equals)) {
            record.words.push_back(token);
            continue;
        }
        const std::string value = token.substr(equals + 1);
        record.fields[token.substr(0, equals)] = value.size() >= 2 && value.front() == '"' ? Unescape(value) : value;
    }
    return record;
}

struct CheckRun {
    e2e::RunResult result;
    std::map<std::string, Record> records;  // by their leading words, "item 103 0"
    std::vector<std::string> errors;        // the check's "error ..." lines
    std::vector<Record> resources;          // the "resource ..." lines, in order
};

std::string Key(const Record& record) {
    std::string key;
    for (const std::string& word : record.words) key += (key.empty() ? "" : " ") + word;
    return key;
}

// Runs the check once per architecture; the tests share its output.
const CheckRun& RunCheck(e2e::Arch arch) {
    static std::map<e2e::Arch, CheckRun> runs;
    if (const auto found = runs.find(arch); found != runs.end()) return found->second;
    CheckRun& run = runs[arch];
    e2e::WinePrefix prefix(arch);
    // Wine's null display driver lets the check create its dialogs, which it
    // never shows, without an X server.
    prefix.RegSetString("HKCU\\Software\\Wine\\Drivers", "Graphics", "null");
    const std::string check = e2e::Win32BuildDir() + "/tests/fixtures/ResourceCheck/ResourceCheck.exe";
    run.result = prefix.Run(check, {prefix.ToWindows(e2e::SetupExe())}, 120);
    std::size_t start = 0;
    while (start < run.result.output.size()) {
        std::size_t end = run.result.output.find('\n', start);
        if (end == std::string::npos) end = run.result.output.size();
        std::string line = run.result.output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        const Record record = ParseRecord(line);
        if (record.words.empty()) continue;
        if (record.words[0] == "error") run.errors.push_back(line);
        if (record.words[0] == "resource") run.resources.push_back(record);
        run.records[Key(record)] = record;
    }
    return run;
}

// Windows' MulDiv for the non-negative values of dialog layouts: rounded to
// the nearest integer, halves up. The dialog manager converts each of x, y,
// width and height with it on its own.
long MulDiv(long value, long numerator, long denominator) { return (value * numerator + denominator / 2) / denominator; }

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string Rect(long x, long y, long width, long height) {
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," + std::to_string(height);
}

const std::map<std::string_view, int> kClassOrdinals = {{"Button", 0x80}, {"Edit", 0x81}, {"Static", 0x82}};

constexpr std::uint32_t kDs3dLook = 0x0004;         // DS_3DLOOK, which the system gives every dialog
constexpr std::uint32_t kWsExClientEdge = 0x0200;   // WS_EX_CLIENTEDGE

class ResourceCheck : public ::testing::TestWithParam<e2e::Arch> {
protected:
    const CheckRun& Run() { return RunCheck(GetParam()); }

    // The record with these leading words; a missing one fails the test and
    // yields an empty record.
    const Record& Get(const std::string& key) {
        static const Record kMissing;
        const auto& records = Run().records;
        const auto found = records.find(key);
        if (found == records.end()) {
            ADD_FAILURE() << "the check printed no \"" << key << "\" line";
            return kMissing;
        }
        return found->second;
    }
};

TEST_P(ResourceCheck, ReadsEveryResourceWithoutError) {
    const CheckRun& run = Run();
    EXPECT_EQ(run.result.exitCode, 0) << run.result.output;
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_TRUE(run.errors.empty()) << run.result.output;
    EXPECT_EQ(run.records.count("end"), 1u) << run.result.output;
}

// Exactly the resources that the program uses, each once and in English
// (United States): the string blocks that hold the table's numbers, the six
// dialogs, the bitmap, the icon and its group, and the manifest.
TEST_P(ResourceCheck, CarriesExactlyTheProgramsResourcesInEnglish) {
    std::multiset<std::string> expected = {"2/101", "3/1", "14/102", "24/1"};
    for (const auto& dialog : res::DialogTemplates()) expected.insert("5/" + std::to_string(dialog.id));
    std::set<std::uint32_t> blocks;
    for (const auto& entry : res::StringTable()) blocks.insert(entry.id / 16 + 1);
    for (std::uint32_t block : blocks) expected.insert("6/" + std::to_string(block));

    std::multiset<std::string> found;
    for (const Record& resource : Run().resources) {
        found.insert(resource.Field("type") + "/" + resource.Field("name"));
        EXPECT_EQ(resource.Field("language"), "1033") << resource.Field("type") << "/" << resource.Field("name");
    }
    EXPECT_EQ(found, expected);
}

// Every string loads by its number with the table's exact bytes, and a
// 128-byte buffer cuts it exactly as the simulated LoadStringA does.
TEST_P(ResourceCheck, StringsLoadAsTheTableHasThem) {
    sim::SimResources simulated;
    std::size_t loaded = 0;
    for (const auto& [key, record] : Run().records) loaded += record.words[0] == "string" ? 1 : 0;
    EXPECT_EQ(loaded, res::StringTable().size());
    for (const auto& entry : res::StringTable()) {
        const std::string id = std::to_string(entry.id);
        EXPECT_EQ(Get("string " + id).Field("text"), entry.text) << "string " << id;
        EXPECT_EQ(Get("string128 " + id).Field("text"), simulated.LoadString(entry.id, 128)) << "string " << id;
    }
}

TEST_P(ResourceCheck, DialogTemplatesAreStoredAsTheTablesSay) {
    std::size_t templates = 0;
    for (const auto& [key, record] : Run().records) templates += record.words[0] == "template" ? 1 : 0;
    EXPECT_EQ(templates, res::DialogTemplates().size());
    for (const auto& dialog : res::DialogTemplates()) {
        const std::string id = std::to_string(dialog.id);
        SCOPED_TRACE("dialog " + id);
        const Record& stored = Get("template " + id);
        EXPECT_EQ(stored.Field("kind"), "DLGTEMPLATEEX");
        EXPECT_EQ(stored.Field("style"), Hex(dialog.style));
        EXPECT_EQ(stored.Field("exstyle"), Hex(0));
        EXPECT_EQ(stored.Field("rect"), Rect(dialog.x, dialog.y, dialog.width, dialog.height));
        EXPECT_EQ(stored.Field("caption"), dialog.caption);
        EXPECT_EQ(stored.Field("menu"), "");
        EXPECT_EQ(stored.Field("class"), "");
        EXPECT_EQ(stored.Number("font"), dialog.fontPointSize);
        EXPECT_EQ(stored.Field("face"), dialog.fontName);
        EXPECT_EQ(stored.Field("italic"), "0");
        EXPECT_EQ(stored.Number("items"), static_cast<long>(dialog.controls.size()));
        for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
            const res::ControlTemplate& control = dialog.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(control.id) + ")");
            const Record& item = Get("item " + id + " " + std::to_string(i));
            EXPECT_EQ(item.Number("id"), control.id);
            EXPECT_EQ(item.Field("class"), "#" + std::to_string(kClassOrdinals.at(control.className)));
            if (control.imageId != 0) {
                EXPECT_EQ(item.Field("text"), "#" + std::to_string(control.imageId));
            } else {
                EXPECT_EQ(item.Field("text"), control.text);
            }
            EXPECT_EQ(item.Field("rect"), Rect(control.x, control.y, control.width, control.height));
            EXPECT_EQ(item.Field("style"), Hex(control.style));
            EXPECT_EQ(item.Field("exstyle"), Hex(control.exStyle));
        }
    }
}

// Base units: the pixels of 4 horizontal and 8 vertical dialog units.
struct Units {
    long x = 0;
    long y = 0;
};

// One control as the system created it from its template (see below).
void ExpectCreatedControl(const Record& window, const res::ControlTemplate& control, Units units) {
    EXPECT_EQ(window.Number("id"), control.id);
    EXPECT_EQ(window.Field("class"), control.className);
    const auto style = static_cast<std::uint32_t>(window.Number("style"));
    const auto exStyle = static_cast<std::uint32_t>(window.Number("exstyle"));
    if (control.className == "Edit") {
        EXPECT_EQ(Hex(style), Hex(control.style & ~std::uint32_t{RES_WS_BORDER}));
        EXPECT_EQ(exStyle & kWsExClientEdge, kWsExClientEdge);
    } else {
        EXPECT_EQ(Hex(style), Hex(control.style));
    }
    EXPECT_EQ(exStyle & control.exStyle, control.exStyle);

    const long x = MulDiv(control.x, units.x, 4), y = MulDiv(control.y, units.y, 8);
    const long width = MulDiv(control.width, units.x, 4), height = MulDiv(control.height, units.y, 8);
    const std::string rect = window.Field("rect");
    if (control.imageId != 0) {
        EXPECT_EQ(window.Field("image"), "120x260");
        EXPECT_EQ(rect, Rect(x, y, 120, 260));
        return;
    }
    EXPECT_EQ(window.Field("text"), control.text);
    if (control.className == "Static" && (control.style & RES_SS_TYPEMASK) == RES_SS_ETCHEDHORZ) {
        EXPECT_TRUE(rect == Rect(x, y, width, height) || rect == Rect(x, y, width + 2, height)) << rect;
    } else {
        EXPECT_EQ(rect, Rect(x, y, width, height));
    }
}

// What the system builds from the templates. It adds styles of its own:
// DS_3DLOOK to every dialog, WS_CLIPSIBLINGS to a top-level one, extended
// styles to the dialogs and controls, and it swaps an edit control's
// WS_BORDER for WS_EX_CLIENTEDGE. Everything else, visibility included, is
// the template's. Positions are the template's dialog units converted with
// the dialog's own base units; the side picture takes the size of the bitmap
// it loaded by number, and the static control sizes an etched line itself
// (Wine makes it two pixels longer, for the edge it draws).
TEST_P(ResourceCheck, DialogsAreCreatedAsTheTablesSay) {
    for (const auto& dialog : res::DialogTemplates()) {
        const std::string id = std::to_string(dialog.id);
        SCOPED_TRACE("dialog " + id);
        const Record& created = Get("dialog " + id);
        EXPECT_EQ(created.Field("class"), "#32770");
        const std::uint32_t added = kDs3dLook | ((dialog.style & RES_WS_CHILD) ? 0u : std::uint32_t{RES_WS_CLIPSIBLINGS});
        EXPECT_EQ(Hex(static_cast<std::uint32_t>(created.Number("style"))), Hex(dialog.style | added));
        EXPECT_EQ(created.Field("caption"), dialog.caption);
        const std::string text = created.Field("units");
        const Units units{std::strtol(text.c_str(), nullptr, 10),
                          std::strtol(text.substr(text.find(',') + 1).c_str(), nullptr, 10)};
        EXPECT_EQ(created.Field("client"),
                  std::to_string(MulDiv(dialog.width, units.x, 4)) + "," + std::to_string(MulDiv(dialog.height, units.y, 8)));
        for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
            SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(dialog.controls[i].id) + ")");
            ExpectCreatedControl(Get("control " + id + " " + std::to_string(i)), dialog.controls[i], units);
        }
        EXPECT_EQ(Run().records.count("control " + id + " " + std::to_string(dialog.controls.size())), 0u)
            << "more windows than controls";
    }
}

// 120 x 260 pixels, 8 bits with a full palette, uncompressed, bottom-up (a
// positive height): 40 + 256 * 4 + 120 * 260 = 32264 bytes.
TEST_P(ResourceCheck, SidePictureIsAnUncompressedBottomUp256ColourBitmap) {
    const Record& bitmap = Get("bitmap 101");
    EXPECT_EQ(bitmap.Number("size"), 32264);
    EXPECT_EQ(bitmap.Number("header"), 40);
    EXPECT_EQ(bitmap.Number("width"), 120);
    EXPECT_EQ(bitmap.Number("height"), 260);
    EXPECT_EQ(bitmap.Number("planes"), 1);
    EXPECT_EQ(bitmap.Number("bits"), 8);
    EXPECT_EQ(bitmap.Number("compression"), 0);
    EXPECT_EQ(bitmap.Number("imagesize"), 120 * 260);
    EXPECT_EQ(bitmap.Number("colors"), 256);
}

// One 32 x 32 image with 16 colours: a 40-byte header (its height counts the
// colour and the transparency mask), 16 palette entries, 512 bytes of
// 4-bit pixels and a 128-byte mask.
TEST_P(ResourceCheck, IconGroupHoldsOneSixteenColourImage) {
    const Record& group = Get("icongroup 102");
    EXPECT_EQ(group.Number("type"), 1);
    EXPECT_EQ(group.Number("count"), 1);
    const Record& entry = Get("iconentry 102 0");
    EXPECT_EQ(entry.Number("width"), 32);
    EXPECT_EQ(entry.Number("height"), 32);
    EXPECT_EQ(entry.Number("colors"), 16);
    EXPECT_EQ(entry.Number("planes"), 1);
    EXPECT_EQ(entry.Number("bits"), 4);
    EXPECT_EQ(entry.Number("bytes"), 744);
    EXPECT_EQ(entry.Number("id"), 1);
    const Record& image = Get("icon 1");
    EXPECT_EQ(image.Number("size"), 744);
    EXPECT_EQ(image.Number("width"), 32);
    EXPECT_EQ(image.Number("height"), 64);
    EXPECT_EQ(image.Number("bits"), 4);
    EXPECT_EQ(image.Number("compression"), 0);
}

// The elements of an XML document with their attributes, each element named
// by its path ("assembly/dependency"); text between the tags must be blank.
struct Element {
    std::string path;
    std::map<std::string, std::string> attributes;
};

std::vector<Element> Elements(const std::string& xml, std::string& problems) {
    std::vector<Element> elements;
    std::vector<std::string> open;
    std::size_t at = 0;
    while (at < xml.size()) {
        const std::size_t tag = xml.find('<', at);
        if (xml.find_first_not_of(" \t\r\n", at) < std::min(tag, xml.size())) problems += "text outside tags; ";
        if (tag == std::string::npos) break;
        const std::size_t close = xml.find('>', tag);
        if (close == std::string::npos) {
            problems += "unclosed tag; ";
            break;
        }
        std::string body = xml.substr(tag + 1, close - tag - 1);
        at = close + 1;
        if (body.starts_with('/')) {
            if (open.empty() || open.back() != body.substr(1)) problems += "mismatched </" + body.substr(1) + ">; ";
            if (!open.empty()) open.pop_back();
            continue;
        }
        const bool empty = body.ends_with('/');
        if (empty) body.pop_back();
        const std::size_t nameEnd = std::min(body.find(' '), body.size());
        Element element;
        open.push_back(body.substr(0, nameEnd));
        for (const std::string& name : open) element.path += (element.path.empty() ? "" : "/") + name;
        for (std::size_t pos = nameEnd; (pos = body.find_first_not_of(' ', pos)) != std::string::npos;) {
            const std::size_t equals = body.find("=\"", pos);
            const std::size_t end = equals == std::string::npos ? std::string::npos : body.find('"', equals + 2);
            if (end == std::string::npos) {
                problems += "bad attribute in <" + open.back() + ">; ";
                break;
            }
            element.attributes[body.substr(pos, equals - pos)] = body.substr(equals + 2, end - equals - 2);
            pos = end + 1;
        }
        elements.push_back(element);
        if (empty) open.pop_back();
    }
    if (!open.empty()) problems += "unclosed <" + open.back() + ">; ";
    return elements;
}

// 466 bytes on one line (a line feed ends it), no XML declaration, and
// exactly the elements and attributes that ask for version 6 of the common
// controls and nothing else (no execution level).
TEST_P(ResourceCheck, ManifestIsOneLineThatRequestsCommonControlsSix) {
    const Record& manifest = Get("manifest 1");
    const std::string text = manifest.Field("text");
    EXPECT_EQ(manifest.Number("size"), 466);
    EXPECT_EQ(text.size(), 466u);
    EXPECT_EQ(text.find_first_of("\r\n"), text.size() - 1) << "one line, ended by a line feed";
    EXPECT_FALSE(text.starts_with("<?xml"));
    EXPECT_FALSE(text.starts_with("\xEF\xBB\xBF"));
    for (unsigned char c : text) EXPECT_LT(c, 0x80) << "plain ASCII, which is UTF-8";

    std::string problems;
    const std::vector<Element> elements = Elements(text, problems);
    EXPECT_EQ(problems, "");
    const std::vector<Element> expected = {
        {"assembly", {{"xmlns", "urn:schemas-microsoft-com:asm.v1"}, {"manifestVersion", "1.0"}}},
        {"assembly/assemblyIdentity",
         {{"version", "5.0.0.0"}, {"processorArchitecture", "x86"}, {"name", "Orvane.Software.OrvUnInst"},
          {"type", "win32"}}},
        {"assembly/dependency", {}},
        {"assembly/dependency/dependentAssembly", {}},
        {"assembly/dependency/dependentAssembly/assemblyIdentity",
         {{"type", "win32"},
          {"name", "Microsoft.Windows.Common-Controls"},
          {"version", "6.0.0.0"},
          {"processorArchitecture", "X86"},
          {"publicKeyToken", "6595b64144ccf1df"},
          {"language", "*"}}},
    };
    ASSERT_EQ(elements.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(elements[i].path, expected[i].path);
        EXPECT_EQ(elements[i].attributes, expected[i].attributes) << expected[i].path;
    }

    // The system accepts the manifest and binds the side-by-side assembly of
    // common controls version 6 for it.
    EXPECT_TRUE(Get("comctl32").Field("folder").starts_with(
        "x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << Get("comctl32").Field("folder");
}

INSTANTIATE_TEST_SUITE_P(Wine, ResourceCheck, ::testing::Values(e2e::Arch::Win32, e2e::Arch::Win64),
                         [](const ::testing::TestParamInfo<e2e::Arch>& param) { return std::string(e2e::ArchName(param.param)); });

}  // namespace
