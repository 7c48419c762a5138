// What the setup relies on from files and folders: attributes, one-level
// folder creation, the refusals of deletion, renaming and copying, files in
// use, folder searches with Windows wildcards, text-mode reading and
// appending, whole-file reads and writes, profile sections, the temporary,
// current and Windows folders, and the registration of restart-time
// operations.
//
// Carrying out restart-time operations needs a system start (under Wine,
// `wineboot -r`), which a test inside the running system cannot do; the
// tests here check the registration and that nothing moves before the
// start. The start itself belongs to the end-to-end suite, which can restart
// a prefix between two runs.
//
// Not stated here, because Wine running as root lets them through where
// Windows refuses them: a copy or write over a read-only file, and a copy or
// write over a hidden file (CreateFile with CREATE_ALWAYS). Wine also does
// not give an existing file the source's attributes when a copy overwrites
// it. The simulation keeps the Windows behaviour; its unit tests state it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/contract/Contract.h"

namespace {

namespace attr = platform::attr;
namespace err = platform::err;
using platform::FileSystem;
using platform::IfExists;
using platform::InUse;

constexpr long kNotADirectory = 267;

// Control bytes shown as \xNN, so that a failure message can be read.
std::string Visible(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        }
    }
    return out;
}

// Every name a search reports, sorted (the order is the file system's), or
// "none" with the error of the failed search.
std::string SearchNames(FileSystem& files, const std::string& pattern) {
    platform::FindData found;
    platform::FindHandle search = files.FindFirst(pattern, found);
    if (search == 0) return "none " + std::to_string(files.LastError());
    std::vector<std::string> names{found.name};
    while (files.FindNext(search, found)) names.push_back(found.name);
    long end = files.LastError();
    files.FindClose(search);
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : " ") + name;
    if (end != err::NoMoreFiles) out += " (ended with " + std::to_string(end) + ")";
    return out;
}

std::uint32_t AttributesOf(FileSystem& files, const std::string& path) {
    return files.GetFileAttributes(path).value_or(0xFFFFFFFFu);
}

std::string TextOf(FileSystem& files, const std::string& path) { return files.ReadFile(path).value_or("<none>"); }

// A minimal 32-bit executable image (a DLL with one empty code section and
// no entry point), enough to be loaded as a module without being run.
std::string ExecutableImage() {
    std::string image(0x400, '\0');
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        image[at] = static_cast<char>(v & 0xFF);
        image[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    image[0] = 'M';
    image[1] = 'Z';
    put32(0x3C, 0x40);                      // e_lfanew
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    put16(0x44, 0x014C);                    // i386
    put16(0x46, 1);                         // one section
    put16(0x54, 0xE0);                      // size of the optional header
    put16(0x56, 0x2102);                    // executable, 32-bit, DLL
    const std::size_t opt = 0x58;
    put16(opt + 0, 0x10B);                  // PE32
    put32(opt + 4, 0x200);                  // size of code
    put32(opt + 20, 0x1000);                // base of code
    put32(opt + 24, 0x1000);                // base of data
    put32(opt + 28, 0x10000000);            // image base
    put32(opt + 32, 0x1000);                // section alignment
    put32(opt + 36, 0x200);                 // file alignment
    put16(opt + 40, 4);                     // operating system version
    put16(opt + 48, 4);                     // subsystem version
    put32(opt + 56, 0x2000);                // size of image
    put32(opt + 60, 0x200);                 // size of headers
    put16(opt + 68, 2);                     // GUI subsystem
    put32(opt + 72, 0x100000);              // stack reserve
    put32(opt + 76, 0x1000);                // stack commit
    put32(opt + 80, 0x100000);              // heap reserve
    put32(opt + 84, 0x1000);                // heap commit
    put32(opt + 92, 16);                    // number of data directories
    const std::size_t section = opt + 0xE0;
    image.replace(section, 5, ".text");
    put32(section + 8, 0x200);              // virtual size
    put32(section + 12, 0x1000);            // virtual address
    put32(section + 16, 0x200);             // size of raw data
    put32(section + 20, 0x200);             // pointer to raw data
    put32(section + 36, 0x60000020);        // code, executable, readable
    image[0x200] = static_cast<char>(0xC3);  // ret
    return image;
}

}  // namespace

CONTRACT_TEST(FileSystem, AttributesOfFilesAndFolders) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    const std::string file = dir + "\\a.txt";
    CHECK(files.WriteFile(file, "hello"));

    CHECK_EQ(AttributesOf(files, dir) & attr::Directory, attr::Directory);
    CHECK_EQ(AttributesOf(files, file) & (attr::Directory | attr::ReadOnly | attr::Hidden), 0u);

    CHECK(files.SetFileAttributes(file, attr::ReadOnly | attr::Hidden));
    CHECK_EQ(AttributesOf(files, file) & (attr::ReadOnly | attr::Hidden), attr::ReadOnly | attr::Hidden);
    CHECK(files.SetFileAttributes(file, AttributesOf(files, file) & ~(attr::ReadOnly | attr::Hidden)));
    CHECK_EQ(AttributesOf(files, file) & (attr::ReadOnly | attr::Hidden), 0u);

    struct Missing {
        std::string path;
        long error;
    };
    const Missing missing[] = {
        {dir + "\\none.txt", err::FileNotFound},
        {dir + "\\nodir\\none.txt", err::PathNotFound},
        {file + "\\", err::PathNotFound},  // a file named as a folder
        {file + "\\x", err::PathNotFound},
    };
    for (const auto& m : missing) {
        CHECK(!files.GetFileAttributes(m.path));
        CHECK_EQ(files.LastError(), m.error);
    }
    CHECK(!files.SetFileAttributes(dir + "\\none.txt", attr::Normal));
}

CONTRACT_TEST(FileSystem, NamesIgnoreCaseAndKeepIt) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.WriteFile(dir + "\\Mixed.Txt", "x"));
    CHECK(files.Exists(dir + "\\MIXED.TXT"));
    CHECK_EQ(TextOf(files, dir + "\\mixed.txt"), std::string("x"));
    CHECK_EQ(SearchNames(files, dir + "\\mixed.txt"), std::string("Mixed.Txt"));
    // A rename that changes only the case is no collision. (Windows then
    // stores the new spelling; Wine 8 keeps the old one.)
    CHECK(files.MoveFile(dir + "\\Mixed.Txt", dir + "\\MIXED.txt"));
    CHECK_EQ(TextOf(files, dir + "\\mixed.TXT"), std::string("x"));
    // Forward slashes separate like backslashes.
    CHECK(files.Exists(dir + "/mixed.txt"));
}

CONTRACT_TEST(FileSystem, CreateDirectoryMakesOneLevel) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.CreateDirectory(dir + "\\one"));
    CHECK(!files.CreateDirectory(dir + "\\one"));
    CHECK_EQ(files.LastError(), err::AlreadyExists);
    CHECK(!files.CreateDirectory(dir + "\\two\\three"));
    CHECK_EQ(files.LastError(), err::PathNotFound);
    CHECK(!files.Exists(dir + "\\two"));
    CHECK(files.CreateDirectory(dir + "\\four\\"));
    CHECK_EQ(AttributesOf(files, dir + "\\four") & attr::Directory, attr::Directory);
    CHECK(files.WriteFile(dir + "\\file", ""));
    CHECK(!files.CreateDirectory(dir + "\\file"));
    CHECK_EQ(files.LastError(), err::AlreadyExists);
}

CONTRACT_TEST(FileSystem, RemoveDirectoryRemovesOnlyEmptyFolders) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.CreateDirectory(dir + "\\full"));
    CHECK(files.WriteFile(dir + "\\full\\f", "f"));
    CHECK(files.CreateDirectory(dir + "\\empty"));

    CHECK(!files.RemoveDirectory(dir + "\\full"));
    CHECK_EQ(files.LastError(), err::DirNotEmpty);
    CHECK(!files.RemoveDirectory(dir + "\\full\\f"));
    CHECK_EQ(files.LastError(), kNotADirectory);
    CHECK(!files.RemoveDirectory(dir + "\\missing"));
    CHECK_EQ(files.LastError(), err::FileNotFound);
    CHECK(files.RemoveDirectory(dir + "\\empty\\"));
    CHECK(!files.Exists(dir + "\\empty"));

    // The process's current folder is held open and cannot be removed.
    const std::string saved = files.GetCurrentDirectory();
    CHECK(files.CreateDirectory(dir + "\\current"));
    CHECK(files.SetCurrentDirectory(dir + "\\current"));
    CHECK(!files.RemoveDirectory(dir + "\\current"));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(files.SetCurrentDirectory("\\"));
    CHECK(files.RemoveDirectory(dir + "\\current"));
    CHECK(files.SetCurrentDirectory(saved));
}

CONTRACT_TEST(FileSystem, DeleteFileRefusesFoldersReadOnlyAndMissingFiles) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.CreateDirectory(dir + "\\folder"));
    CHECK(files.WriteFile(dir + "\\ro", "r"));
    CHECK(files.SetFileAttributes(dir + "\\ro", attr::ReadOnly));
    CHECK(files.WriteFile(dir + "\\hidden", "h"));
    CHECK(files.SetFileAttributes(dir + "\\hidden", attr::Hidden));

    struct Refusal {
        const char* name;
        long error;
    };
    const Refusal refusals[] = {
        {"\\missing", err::FileNotFound},
        {"\\nodir\\missing", err::PathNotFound},
        {"\\folder", err::AccessDenied},
        {"\\ro", err::AccessDenied},
    };
    for (const auto& r : refusals) {
        CHECK(!files.DeleteFile(dir + r.name));
        CHECK_EQ(files.LastError(), r.error);
    }
    CHECK(files.Exists(dir + "\\ro"));
    CHECK(files.DeleteFile(dir + "\\hidden"));
    CHECK(files.SetFileAttributes(dir + "\\ro", attr::Normal));
    CHECK(files.DeleteFile(dir + "\\ro"));
    CHECK(!files.Exists(dir + "\\ro"));
}

CONTRACT_TEST(FileSystem, MoveFileFailsWhenTheNewNameExists) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.WriteFile(dir + "\\a", "a"));
    CHECK(files.WriteFile(dir + "\\b", "b"));
    CHECK(!files.MoveFile(dir + "\\a", dir + "\\b"));
    CHECK_EQ(files.LastError(), err::AlreadyExists);
    CHECK_EQ(TextOf(files, dir + "\\a"), std::string("a"));
    CHECK_EQ(TextOf(files, dir + "\\b"), std::string("b"));

    CHECK(!files.MoveFile(dir + "\\missing", dir + "\\c"));
    CHECK_EQ(files.LastError(), err::FileNotFound);

    // A read-only file can be renamed and stays read-only.
    CHECK(files.SetFileAttributes(dir + "\\a", attr::ReadOnly));
    CHECK(files.MoveFile(dir + "\\a", dir + "\\a.old"));
    CHECK(!files.Exists(dir + "\\a"));
    CHECK_EQ(AttributesOf(files, dir + "\\a.old") & attr::ReadOnly, attr::ReadOnly);
    CHECK(files.SetFileAttributes(dir + "\\a.old", attr::Normal));

    // A folder moves with what it holds.
    CHECK(files.CreateDirectory(dir + "\\d"));
    CHECK(files.WriteFile(dir + "\\d\\inner", "i"));
    CHECK(files.MoveFile(dir + "\\d", dir + "\\e"));
    CHECK_EQ(TextOf(files, dir + "\\e\\inner"), std::string("i"));
}

CONTRACT_TEST(FileSystem, CopyFileOverwritesAndTakesTheSourceAttributes) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.WriteFile(dir + "\\src", "new"));
    CHECK(files.WriteFile(dir + "\\dst", "old"));

    CHECK(!files.CopyFile(dir + "\\src", dir + "\\dst", IfExists::Fail));
    CHECK_EQ(files.LastError(), err::FileExists);
    CHECK_EQ(TextOf(files, dir + "\\dst"), std::string("old"));
    CHECK(files.CopyFile(dir + "\\src", dir + "\\dst", IfExists::Overwrite));
    CHECK_EQ(TextOf(files, dir + "\\dst"), std::string("new"));

    // A new copy of a read-only hidden file is read-only and hidden too.
    CHECK(files.SetFileAttributes(dir + "\\src", attr::ReadOnly | attr::Hidden));
    CHECK(files.CopyFile(dir + "\\src", dir + "\\copy", IfExists::Overwrite));
    CHECK_EQ(AttributesOf(files, dir + "\\copy") & (attr::ReadOnly | attr::Hidden), attr::ReadOnly | attr::Hidden);
    CHECK(files.SetFileAttributes(dir + "\\copy", attr::Normal));
    CHECK(files.SetFileAttributes(dir + "\\src", attr::Normal));

    CHECK(files.CreateDirectory(dir + "\\folder"));
    struct Refusal {
        std::string from;
        std::string to;
        long error;
    };
    const Refusal refusals[] = {
        {dir + "\\missing", dir + "\\x", err::FileNotFound},
        {dir + "\\src", dir + "\\nodir\\x", err::PathNotFound},
        {dir + "\\src", dir + "\\src", err::SharingViolation},
        {dir + "\\src", dir + "\\folder", err::AccessDenied},
        {dir + "\\folder", dir + "\\x", err::AccessDenied},
    };
    for (const auto& r : refusals) {
        CHECK(!files.CopyFile(r.from, r.to, IfExists::Overwrite));
        CHECK_EQ(files.LastError(), r.error);
    }
    CHECK(!files.Exists(dir + "\\x"));
}

CONTRACT_TEST(FileSystem, FileInUseLikeARunningProgramCanOnlyBeRenamed) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    const std::string program = dir + "\\prog.exe";
    CHECK(files.WriteFile(program, ExecutableImage()));
    CHECK(files.WriteFile(dir + "\\other", "other"));
    std::uintptr_t hold = backend.Locks().Hold(program, InUse::RefuseDelete);
    CHECK(hold != 0);

    CHECK(!files.DeleteFile(program));
    CHECK_EQ(files.LastError(), err::AccessDenied);
    CHECK(!files.CopyFile(dir + "\\other", program, IfExists::Overwrite));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(!files.WriteFile(program, "x"));
    CHECK(files.ReadFile(program).has_value());
    CHECK(files.CopyFile(program, dir + "\\prog.copy", IfExists::Overwrite));

    // Renaming works; the file stays in use under its new name and the old
    // name is free for a new copy.
    CHECK(files.MoveFile(program, program + ".old"));
    CHECK(!files.DeleteFile(program + ".old"));
    CHECK(files.CopyFile(dir + "\\other", program, IfExists::Overwrite));
    CHECK_EQ(TextOf(files, program), std::string("other"));

    backend.Locks().Release(hold);
    CHECK(files.DeleteFile(program + ".old"));
}

CONTRACT_TEST(FileSystem, FileOpenWithoutSharingRefusesDeletionRenamingAndCopies) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    const std::string locked = dir + "\\locked";
    CHECK(files.WriteFile(locked, "data"));
    CHECK(files.WriteFile(dir + "\\other", "other"));
    std::uintptr_t hold = backend.Locks().Hold(locked, InUse::RefuseDeleteAndRename);
    CHECK(hold != 0);

    CHECK(!files.DeleteFile(locked));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(!files.MoveFile(locked, locked + ".old"));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(!files.CopyFile(dir + "\\other", locked, IfExists::Overwrite));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(!files.CopyFile(locked, dir + "\\copy", IfExists::Overwrite));
    CHECK(!files.ReadFile(locked).has_value());
    CHECK_EQ(files.OpenText(locked), platform::FileHandle{0});
    // Its existence and attributes can still be read.
    CHECK(files.Exists(locked));
    CHECK(files.GetFileAttributes(locked).has_value());

    backend.Locks().Release(hold);
    CHECK(files.MoveFile(locked, locked + ".old"));
    CHECK(files.DeleteFile(locked + ".old"));
}

CONTRACT_TEST(FileSystem, FileOpenForReadingRefusesDeletionAndRenaming) {
    FileSystem& files = backend.System().files;
    const std::string log = backend.Scratch() + "\\install.log";
    CHECK(files.WriteFile(log, "line\n"));
    platform::FileHandle reading = files.OpenText(log);
    CHECK(reading != 0);

    CHECK(!files.DeleteFile(log));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(!files.MoveFile(log, log + ".old"));
    CHECK_EQ(files.LastError(), err::SharingViolation);
    CHECK(!files.WriteFile(log, "x"));
    CHECK(files.ReadFile(log).has_value());
    CHECK(files.AppendText(log, "more\n"));

    files.CloseFile(reading);
    CHECK(files.DeleteFile(log));
}

CONTRACT_TEST(FileSystem, SearchesUseWindowsWildcards) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.CreateDirectory(dir + "\\sub"));
    for (const char* name : {"\\a.txt", "\\b.TXT", "\\c.dat", "\\noext", "\\sub\\inner.txt"})
        CHECK(files.WriteFile(dir + name, "x"));
    struct Case {
        const char* pattern;
        const char* names;
    };
    const Case cases[] = {
        {"*", ". .. a.txt b.TXT c.dat noext sub"},
        {"*.*", ". .. a.txt b.TXT c.dat noext sub"},  // names without a dot too
        {"*.txt", "a.txt b.TXT"},
        {"?.txt", "a.txt b.TXT"},
        {"c.d?t", "c.dat"},
        {"A.TXT", "a.txt"},
        {"noext", "noext"},
        {"sub", "sub"},  // a folder by its name
        {"sub\\*.txt", "inner.txt"},
        {"n*", "noext"},
        {"nothing*", "none 2"},
        {"missing\\*", "none 3"},
    };
    for (const auto& c : cases) CHECK_EQ(SearchNames(files, dir + "\\" + c.pattern), std::string(c.names));

    platform::FindData found;
    platform::FindHandle search = files.FindFirst(dir + "\\sub", found);
    CHECK(search != 0);
    CHECK_EQ(found.attributes & attr::Directory, attr::Directory);
    CHECK(!files.FindNext(search, found));
    CHECK_EQ(files.LastError(), err::NoMoreFiles);
    files.FindClose(search);
}

CONTRACT_TEST(FileSystem, DriveRootListsNoDotEntries) {
    FileSystem& files = backend.System().files;
    const std::string root = backend.Scratch().substr(0, 3);  // "C:\"
    const std::string names = SearchNames(files, root + "*");
    CHECK(names.find(". ") != 0);
    CHECK(names.find(" .. ") == std::string::npos);
    CHECK(names.find("windows") != std::string::npos);
}

CONTRACT_TEST(FileSystem, ExistsForFilesAndFolders) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.WriteFile(dir + "\\f", "x"));
    CHECK(files.Exists(dir + "\\f"));
    CHECK(files.Exists(dir));
    CHECK(files.Exists(dir + "\\"));
    CHECK(!files.Exists(dir + "\\missing"));
    CHECK(!files.Exists(dir + "\\f\\"));
}

CONTRACT_TEST(FileSystem, TextLinesAreReadLikeFgetsInTextMode) {
    FileSystem& files = backend.System().files;
    const std::string path = backend.Scratch() + "\\lines.txt";
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t bufferSize;
        std::string lines;  // each line read, followed by "|"
    };
    const Case cases[] = {
        {"CR LF reads as LF", "ab\r\ncd\n", 512, "ab\n|cd\n|"},
        {"a lone CR stays", "ef\rgh\r\r\nij", 512, "ef\rgh\r\n|ij|"},
        {"a CR at the end stays", "ab\r", 512, "ab\r|"},
        {"Ctrl-Z ends the file", std::string("ab\x1A") + "cd\nef\n", 512, "ab|"},
        {"long lines come in pieces", "abcdefghij\nxy\n", 5, "abcd|efgh|ij\n|xy\n|"},
        {"CR LF counts as one byte", "abc\r\n", 4, "abc|\n|"},
        {"a zero byte ends the line's text", std::string("ab\0cd\nef\n", 9), 512, "ab|ef\n|"},
        {"an empty file has no line", "", 512, ""},
    };
    for (const auto& c : cases) {
        CHECK(files.WriteFile(path, c.bytes));
        platform::FileHandle file = files.OpenText(path);
        CHECK(file != 0);
        std::string all, line;
        while (files.ReadLine(file, c.bufferSize, line)) all += line + "|";
        CHECK_EQ(c.what + std::string(": ") + Visible(all), c.what + std::string(": ") + Visible(c.lines));
        // Reading again from the start, even after a Ctrl-Z.
        files.Rewind(file);
        std::string first;
        CHECK_EQ(files.ReadLine(file, c.bufferSize, first), !c.lines.empty());
        CHECK_EQ(Visible(first), Visible(c.lines.substr(0, c.lines.find('|'))));
        files.CloseFile(file);
    }
    CHECK_EQ(files.OpenText(backend.Scratch() + "\\missing"), platform::FileHandle{0});
    CHECK_EQ(files.OpenText(backend.Scratch()), platform::FileHandle{0});
}

CONTRACT_TEST(FileSystem, AppendTextWritesLineFeedsAsCrLf) {
    FileSystem& files = backend.System().files;
    const std::string path = backend.Scratch() + "\\log.txt";
    CHECK(files.AppendText(path, "one\ntwo\r\n"));
    CHECK(files.AppendText(path, "three"));
    CHECK(files.AppendText(path, ""));
    CHECK_EQ(Visible(TextOf(files, path)), Visible("one\r\ntwo\r\r\nthree"));
    CHECK(!files.AppendText(backend.Scratch() + "\\nodir\\log.txt", "x"));
}

CONTRACT_TEST(FileSystem, WholeFilesAreReadAndWrittenAsBytes) {
    FileSystem& files = backend.System().files;
    const std::string path = backend.Scratch() + "\\data.bin";
    const std::string bytes("a\0b\r\nc\x1A\xFF", 8);
    CHECK(files.WriteFile(path, bytes));
    CHECK_EQ(Visible(TextOf(files, path)), Visible(bytes));
    CHECK(files.WriteFile(path, "short"));
    CHECK_EQ(TextOf(files, path), std::string("short"));
    CHECK(files.WriteFile(path, ""));
    CHECK_EQ(TextOf(files, path), std::string());
    CHECK(!files.ReadFile(backend.Scratch() + "\\missing").has_value());
    CHECK(!files.ReadFile(backend.Scratch()).has_value());
    CHECK(!files.WriteFile(backend.Scratch() + "\\nodir\\data.bin", "x"));
}

CONTRACT_TEST(FileSystem, ProfileSectionsAreZeroSeparatedLines) {
    FileSystem& files = backend.System().files;
    const std::string ini = backend.Scratch() + "\\test.ini";
    CHECK(files.WriteFile(ini, "[other]\r\nk=v\r\n[rename]\r\n  NUL = C:\\x \r\n;note\r\n\r\nplain\r\n"));

    std::string lines;
    CHECK_EQ(files.GetProfileSection(ini, "RENAME", 16384, lines), 15u);
    CHECK_EQ(Visible(lines), Visible(std::string("NUL=C:\\x\0plain\0", 15)));
    // Too small a buffer: the lines as far as they fit before two zeros.
    CHECK_EQ(files.GetProfileSection(ini, "rename", 12, lines), 10u);
    CHECK_EQ(Visible(lines), Visible(std::string("NUL=C:\\x\0p", 10)));
    CHECK_EQ(files.GetProfileSection(ini, "missing", 16384, lines), 0u);
    CHECK_EQ(files.GetProfileSection(backend.Scratch() + "\\none.ini", "rename", 16384, lines), 0u);

    // Writing replaces the whole section, keeps duplicate keys and the other sections.
    CHECK(files.WriteProfileSection(ini, "rename", std::string("NUL=C:\\a\0NUL=C:\\b\0C:\\t=C:\\t.new\0", 32)));
    CHECK_EQ(Visible(TextOf(files, ini)),
             Visible("[other]\r\nk=v\r\n[rename]\r\nNUL=C:\\a\r\nNUL=C:\\b\r\nC:\\t=C:\\t.new\r\n"));
    CHECK_EQ(files.GetProfileSection(ini, "rename", 16384, lines), 32u);

    const std::string fresh = backend.Scratch() + "\\fresh.ini";
    CHECK(files.WriteProfileSection(fresh, "rename", std::string("NUL=C:\\a\0", 9)));
    CHECK_EQ(Visible(TextOf(files, fresh)), Visible("[rename]\r\nNUL=C:\\a\r\n"));
    CHECK(!files.WriteProfileSection(backend.Scratch() + "\\nodir\\x.ini", "rename", std::string("a=1\0", 4)));
}

CONTRACT_TEST(FileSystem, ProfileFileWithoutFolderIsInTheWindowsFolder) {
    FileSystem& files = backend.System().files;
    const std::string scratch = backend.Scratch();
    const std::string name = "contract-" + scratch.substr(scratch.rfind('\\') + 1) + ".ini";
    const std::string inWindows = files.GetWindowsDirectory() + "\\" + name;
    CHECK(files.WriteProfileSection(name, "rename", std::string("NUL=C:\\a\0", 9)));
    CHECK_EQ(Visible(TextOf(files, inWindows)), Visible("[rename]\r\nNUL=C:\\a\r\n"));
    std::string lines;
    CHECK_EQ(files.GetProfileSection(name, "rename", 16384, lines), 9u);
    CHECK(files.DeleteFile(inWindows));
}

CONTRACT_TEST(FileSystem, TemporaryFolderAndNames) {
    FileSystem& files = backend.System().files;
    const std::string temp = files.GetTempPath();
    CHECK(!temp.empty() && temp.back() == '\\');
    CHECK_EQ(AttributesOf(files, temp) & attr::Directory, attr::Directory);

    const std::string dir = backend.Scratch();
    auto first = files.GetTempFileName(dir, "unixyz");
    auto second = files.GetTempFileName(dir + "\\", "uni");
    CHECK(first.has_value() && second.has_value());
    CHECK(first != second);
    for (const auto& path : {first.value_or(""), second.value_or("")}) {
        // "<folder>\uni<hex>.tmp", created empty.
        const std::string start = dir + "\\uni";
        CHECK_EQ(path.substr(0, start.size()), start);
        CHECK(path.size() > start.size() + 4);
        CHECK_EQ(path.substr(path.size() - 4), std::string(".tmp"));
        std::string hex = path.substr(start.size(), path.size() - start.size() - 4);
        CHECK(!hex.empty() && hex.size() <= 4);
        CHECK(hex.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos);
        CHECK_EQ(TextOf(files, path), std::string());
    }
    CHECK(!files.GetTempFileName(dir + "\\nodir", "uni").has_value());
}

CONTRACT_TEST(FileSystem, CurrentFolder) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    const std::string saved = files.GetCurrentDirectory();
    CHECK(files.CreateDirectory(dir + "\\Sub"));
    CHECK(files.WriteFile(dir + "\\Sub\\f", "x"));

    CHECK(files.SetCurrentDirectory(dir + "\\sub\\"));
    CHECK_EQ(files.GetCurrentDirectory(), dir + "\\sub");  // as given, not as stored
    CHECK(files.Exists("f"));
    CHECK_EQ(TextOf(files, "..\\Sub\\f"), std::string("x"));
    CHECK(files.SetCurrentDirectory("\\"));
    CHECK_EQ(files.GetCurrentDirectory(), dir.substr(0, 3));

    CHECK(!files.SetCurrentDirectory(dir + "\\Sub\\f"));
    CHECK_EQ(files.LastError(), kNotADirectory);
    CHECK(!files.SetCurrentDirectory(dir + "\\missing"));
    CHECK_EQ(files.LastError(), err::FileNotFound);
    CHECK(files.SetCurrentDirectory(saved));
}

CONTRACT_TEST(FileSystem, WindowsFolder) {
    FileSystem& files = backend.System().files;
    const std::string windows = files.GetWindowsDirectory();
    CHECK(!windows.empty() && windows.back() != '\\');
    CHECK_EQ(AttributesOf(files, windows) & attr::Directory, attr::Directory);
    CHECK(files.Exists(windows + "\\system32"));
}

CONTRACT_TEST(FileSystem, RestartOperationsAreOnlyRegistered) {
    FileSystem& files = backend.System().files;
    const std::string dir = backend.Scratch();
    CHECK(files.WriteFile(dir + "\\gone", "g"));
    CHECK(files.WriteFile(dir + "\\t.new", "n"));
    CHECK(files.WriteFile(dir + "\\locked", "l"));
    std::uintptr_t hold = backend.Locks().Hold(dir + "\\locked", InUse::RefuseDeleteAndRename);

    CHECK(files.MoveFileAtRestart(dir + "\\gone", std::nullopt));
    CHECK(files.MoveFileAtRestart(dir + "\\t.new", dir + "\\t"));
    CHECK(files.MoveFileAtRestart(dir + "\\locked", std::nullopt));  // a file in use, too
    CHECK(files.MoveFileAtRestart(dir + "\\never-there", std::nullopt));

    CHECK(files.Exists(dir + "\\gone"));
    CHECK(files.Exists(dir + "\\t.new"));
    CHECK(!files.Exists(dir + "\\t"));
    backend.Locks().Release(hold);
}
