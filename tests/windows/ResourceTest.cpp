// The resources as they are built into quorvane.exe, read back through the
// platform's own resource calls.
//
//   resource_test.exe PATH-TO-quorvane.exe [gtest options]

#include <windows.h>

#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string ProgramPath;

class BuiltResources : public testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA(ProgramPath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module_) << "cannot load " << ProgramPath;
    }
    void TearDown() override
    {
        if (module_) {
            FreeLibrary(module_);
        }
    }

    const BYTE *Load(LPCSTR name, LPCSTR type, DWORD *size = nullptr)
    {
        HRSRC resource = FindResourceA(module_, name, type);
        if (!resource) {
            return nullptr;
        }
        if (size) {
            *size = SizeofResource(module_, resource);
        }
        return static_cast<const BYTE *>(LockResource(LoadResource(module_, resource)));
    }

    HMODULE module_ = NULL;
};

// Reads the classic dialog template's words in order.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE *data) : data_(data) {}
    WORD Word()
    {
        WORD value;
        memcpy(&value, data_ + at_, 2);
        at_ += 2;
        return value;
    }
    DWORD Dword() { return Word() | static_cast<DWORD>(Word()) << 16; }
    short Short() { return static_cast<short>(Word()); }
    // A string, or an ordinal written as "#n".
    std::string NameOrOrdinal()
    {
        if (memcmp(data_ + at_, "\xFF\xFF", 2) == 0) {
            Word();
            char ordinal[8];
            snprintf(ordinal, sizeof ordinal, "#%u", Word());
            return ordinal;
        }
        return String();
    }
    std::string String()
    {
        std::string text;
        for (WORD c = Word(); c; c = Word()) {
            text += static_cast<char>(c);
        }
        return text;
    }
    void AlignToDword() { at_ = (at_ + 3) & ~size_t{3}; }

private:
    const BYTE *data_;
    size_t at_ = 0;
};

TEST_F(BuiltResources, DialogTemplateIsExactlyThePauseDialog)
{
    const BYTE *data = Load("Vantrell", RT_DIALOG);
    ASSERT_TRUE(data) << "no dialog template \"Vantrell\"";
    TemplateReader reader(data);
    EXPECT_EQ(reader.Dword(), 0x800008C1u) << "style";
    EXPECT_EQ(reader.Dword(), 0u) << "extended style";
    const WORD items = reader.Word();
    EXPECT_EQ(items, 6);
    EXPECT_EQ(reader.Short(), 20);
    EXPECT_EQ(reader.Short(), 20);
    EXPECT_EQ(reader.Short(), 160);
    EXPECT_EQ(reader.Short(), 80);
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "menu";
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "window class";
    EXPECT_EQ(reader.String(), "") << "title";
    EXPECT_EQ(reader.Word(), 10) << "font size";
    EXPECT_EQ(reader.String(), "System") << "font";

    struct Item {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        const char *className;
        const char *text;
    };
    const Item expected[] = {
        {0x50020001, 0, 12, 160, 8, 0xFFFF, "#130", "Quorvane Pattern"},
        {0x50000003, 8, 8, 18, 20, 0xFFFF, "#130", "Vantrell"},
        {0x50020001, 0, 36, 160, 8, 0xFFFF, "#130", " "},
        {0x50020001, 0, 48, 160, 8, 0xFFFF, "#130", "The Quorvane developers, 2026"},
        {0x50030001, 26, 60, 32, 14, IDOK, "#128", "OK"},
        {0x50030000, 100, 60, 32, 14, IDCANCEL, "#128", "Exit"},
    };
    ASSERT_EQ(items, std::size(expected));
    for (const Item &item : expected) {
        SCOPED_TRACE(item.text);
        reader.AlignToDword();
        EXPECT_EQ(reader.Dword(), item.style) << "style";
        EXPECT_EQ(reader.Dword(), 0u) << "extended style";
        EXPECT_EQ(reader.Short(), item.x);
        EXPECT_EQ(reader.Short(), item.y);
        EXPECT_EQ(reader.Short(), item.cx);
        EXPECT_EQ(reader.Short(), item.cy);
        EXPECT_EQ(reader.Word(), item.id);
        EXPECT_EQ(reader.NameOrOrdinal(), item.className) << "#128 is a button, #130 a static";
        EXPECT_EQ(reader.NameOrOrdinal(), item.text);
        EXPECT_EQ(reader.Word(), 0) << "creation data";
    }
}

TEST_F(BuiltResources, IconGroupHasThe32x32ImagesInThreeDepths)
{
    const BYTE *group = Load("Vantrell", RT_GROUP_ICON);
    ASSERT_TRUE(group) << "no icon group \"Vantrell\"";
    WORD header[3];
    memcpy(header, group, sizeof header);
    EXPECT_EQ(header[1], 1) << "an icon";
    ASSERT_EQ(header[2], 3) << "images";
    std::vector<WORD> depths;
    for (int i = 0; i < 3; ++i) {
        const BYTE *entry = group + 6 + 14 * i;
        EXPECT_EQ(entry[0], 32) << "width";
        EXPECT_EQ(entry[1], 32) << "height";
        WORD bits;
        memcpy(&bits, entry + 6, 2);
        depths.push_back(bits);
    }
    EXPECT_EQ(depths, (std::vector<WORD>{1, 4, 8}));
    EXPECT_TRUE(LoadIconA(module_, "Vantrell"));
}

TEST_F(BuiltResources, ManifestDeclaresPerMonitorAwareness)
{
    DWORD size = 0;
    const BYTE *manifest = Load(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24), &size);
    ASSERT_TRUE(manifest) << "no manifest, type 24 id 1";
    const std::string text(reinterpret_cast<const char *>(manifest), size);
    EXPECT_NE(text.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2"),
              std::string::npos);
    EXPECT_NE(text.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
              std::string::npos);
}

} // namespace

int main(int argc, char **argv) { return RunTestsOnProgram(argc, argv, &ProgramPath); }
