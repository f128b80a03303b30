// Texture loading at start-up, from files the tests put into a scratch working
// directory; the textures are read back from GL.
#include "platform/GlView.h"
#include "settings/TextureBox.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/BmpFiles.h"
#include "support/Texel.h"
#include "support/Viewer.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

// One mipmap level of a texture object as GL holds it.
struct Level {
    int width = 0, height = 0;
    std::vector<uint8_t> texels;
    Texel At(int row, int column) const {
        const uint8_t* p = &texels[static_cast<size_t>((row * width + column) * 4)];
        return {p[0], p[1], p[2], p[3]};
    }
};
Level ReadLevel(GLuint texture, int level = 0) {
    Level l;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.height);
    l.texels.resize(static_cast<size_t>(l.width * l.height * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (!l.texels.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, l.texels.data());
    return l;
}

QRgb Flat(int n) { return qRgb(20 * n, 255 - 20 * n, 7 * n); }
QByteArray FlatFile(int n) {
    return bmp::Rgb24(64, 64, [n](int, int) { return Flat(n); });
}

// Start-up inside a working directory of the test's own making.
class TextureLoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
    }
    void TearDown() override {
        if (started) StopViewer();
        QDir::setCurrent(previous);
    }
    void Put(const QString& name, const QByteArray& bytes) {
        ASSERT_TRUE(bmp::Write(dir.filePath(QStringLiteral("Textures/") + name), bytes));
    }
    void Start() {
        StartViewer();
        started = true;
    }
    int Count() const { return Form1->NextTexNumber - 1; }

    QTemporaryDir dir;
    QString previous;
    bool started = false;
};
}  // namespace

TEST_F(TextureLoadingTest, GapInTheNumberingEndsTheSet) {
    Put("001.bmp", FlatFile(1));
    Put("002.bmp", FlatFile(2));
    Put("004.bmp", FlatFile(4));
    Start();
    EXPECT_EQ(Form1->NextTexNumber, 3);
    ASSERT_EQ(Form1->TexNames.size(), 2);
    EXPECT_NE(Form1->TexNames[0], Form1->TexNames[1]);
    for (int k = 1; k <= 2; ++k) {
        const GLuint name = Form1->TexNames[k - 1];
        EXPECT_TRUE(glIsTexture(name));
        EXPECT_EQ(ReadLevel(name).At(10, 10), Opaque(Flat(k))) << "texture " << k;
    }
    // The settings window offers exactly the loaded numbers.
    ASSERT_EQ(Form2->ComboBox2->count(), 2);
    EXPECT_EQ(Form2->ComboBox2->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(Form2->ComboBox2->itemText(1), QStringLiteral("2"));
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(TextureLoadingTest, TenthTextureComesOnlyFromTheDoublyPaddedName) {
    for (int n = 1; n <= 9; ++n) Put(QStringLiteral("00%1.bmp").arg(n), FlatFile(n));
    Put("010.bmp", FlatFile(11));
    Start();
    EXPECT_EQ(Count(), 9);
    StopViewer();
    started = false;

    Put("0010.bmp", FlatFile(10));
    Start();
    ASSERT_EQ(Count(), 10);
    EXPECT_EQ(ReadLevel(Form1->TexNames[9]).At(0, 0), Opaque(Flat(10)));
}

TEST_F(TextureLoadingTest, TexelsAreTheTopLeftSquareMirrored) {
    // 64 by 64 with marked corners, 32 by 32, and 100 by 80 with a frame outside
    // the used square.
    Put("001.bmp", bmp::Rgb24(64, 64, [](int x, int y) {
            if (x == 0 && y == 0) return qRgb(255, 0, 0);
            if (x == 63 && y == 0) return qRgb(0, 255, 0);
            if (x == 0 && y == 63) return qRgb(0, 0, 255);
            return qRgb(x * 4, y * 4, 128);
        }));
    Put("002.bmp", bmp::Rgb24(32, 32, [](int x, int y) { return qRgb(x * 8, y * 8, 40); }));
    Put("003.bmp", bmp::Rgb24(100, 80, [](int x, int y) {
            return x < 64 && y < 64 ? qRgb(x * 4, 255 - y * 4, 60) : qRgb(255, 0, 255);
        }));
    Start();
    ASSERT_EQ(Count(), 3);

    const Level square = ReadLevel(Form1->TexNames[0]);
    ASSERT_EQ(square.width, 64);
    ASSERT_EQ(square.height, 64);
    EXPECT_EQ(square.At(0, 63), (Texel{255, 0, 0, 255}));
    EXPECT_EQ(square.At(0, 0), (Texel{0, 255, 0, 255}));
    EXPECT_EQ(square.At(63, 63), (Texel{0, 0, 255, 255}));
    EXPECT_EQ(square.At(20, 50), (Texel{13 * 4, 20 * 4, 128, 255}));

    const Level small = ReadLevel(Form1->TexNames[1]);
    for (int row = 0; row < 64; ++row)
        for (int column = 0; column < 64; ++column) {
            const Texel expected = row < 32 && column >= 32 ? Texel{(63 - column) * 8, row * 8, 40, 255} : kWhite;
            ASSERT_EQ(small.At(row, column), expected) << "row " << row << " column " << column;
        }

    const Level large = ReadLevel(Form1->TexNames[2]);
    for (int row = 0; row < 64; ++row)
        for (int column = 0; column < 64; ++column)
            ASSERT_EQ(large.At(row, column), (Texel{(63 - column) * 4, 255 - row * 4, 60, 255}));
}

TEST_F(TextureLoadingTest, EveryBmpVariantGivesItsColours) {
    const std::vector<bmp::Variant> variants = bmp::Variants();
    for (size_t i = 0; i < variants.size(); ++i)
        Put(QStringLiteral("00%1.bmp").arg(i + 1), variants[i].bytes);
    Start();
    ASSERT_EQ(Count(), static_cast<int>(variants.size()));
    for (size_t i = 0; i < variants.size(); ++i) {
        const bmp::Variant& v = variants[i];
        SCOPED_TRACE(v.name);
        const Level l = ReadLevel(Form1->TexNames[static_cast<int>(i)]);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                EXPECT_EQ(l.At(y, 63 - x), Opaque(v.expected(x, y))) << "pixel " << x << ", " << y;
        EXPECT_EQ(l.At(v.height, 63), kWhite);
        EXPECT_EQ(l.At(0, 63 - v.width), kWhite);
    }
}

TEST_F(TextureLoadingTest, EachTextureHasItsFullMipmapChainAndParameters) {
    Put("001.bmp", bmp::Rgb24(64, 64, [](int x, int y) { return (x / 8 + y / 8) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); }));
    Start();
    ASSERT_EQ(Count(), 1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glBindTexture(GL_TEXTURE_2D, Form1->TexNames[0]);
    GLint value = 0;
    const std::pair<GLenum, GLint> params[] = {{GL_TEXTURE_WRAP_S, GL_REPEAT},
                                               {GL_TEXTURE_WRAP_T, GL_REPEAT},
                                               {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                               {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR}};
    for (const auto& [param, expected] : params) {
        glGetTexParameteriv(GL_TEXTURE_2D, param, &value);
        EXPECT_EQ(value, expected) << std::hex << param;
    }
    for (int level = 0, size = 64; level <= 6; ++level, size /= 2) {
        const Level l = ReadLevel(Form1->TexNames[0], level);
        EXPECT_EQ(l.width, size) << "level " << level;
        EXPECT_EQ(l.height, size) << "level " << level;
        // A checker of 8-pixel squares averages to mid grey from level 4 on.
        if (level >= 4) {
            EXPECT_NEAR(l.At(0, 0).r, 128, 2) << "level " << level;
            EXPECT_EQ(l.At(0, 0).a, 255);
        }
    }
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_TRUE(value == GL_RGBA || value == 4 || value == GL_RGBA8) << value;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 7, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 0);
}

TEST_F(TextureLoadingTest, NoFolderMeansNoTexturesAndNoMessage) {
    Start();
    EXPECT_EQ(Form1->NextTexNumber, 1);
    EXPECT_TRUE(Form1->TexNames.isEmpty());
    EXPECT_EQ(Form1->TexNumber, 1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(Form1->Ready);
    EXPECT_TRUE(ShownMessages().empty());
    // Frames go on, drawing the surface untextured.
    Form1->FrameCount = 0;
    EXPECT_TRUE(WaitUntil([] { return Form1->FrameCount > 2; }));
}

TEST_F(TextureLoadingTest, FileThatFailsEndsLoadingQuietlyAndKeepsTheEarlierOnes) {
    const QByteArray good = FlatFile(3);
    const std::vector<std::pair<const char*, QByteArray>> failing = {
        {"text", QByteArray("Not a bitmap at all.\n")},
        {"truncated", good.left(good.size() - 100)},
        {"huge", bmp::HeaderOnly(100000, 100000)},
        {"folder", QByteArray()},
    };
    for (const auto& [what, bytes] : failing) {
        SCOPED_TRACE(what);
        Put("001.bmp", FlatFile(1));
        Put("003.bmp", good);
        QDir textures(dir.filePath("Textures"));
        if (std::string(what) == "folder")
            ASSERT_TRUE(textures.mkdir("002.bmp"));
        else
            Put("002.bmp", bytes);
        Start();
        EXPECT_EQ(Form1->NextTexNumber, 2);
        ASSERT_EQ(Form1->TexNames.size(), 1);
        EXPECT_EQ(ReadLevel(Form1->TexNames[0]).At(5, 5), Opaque(Flat(1)));
        EXPECT_TRUE(ShownMessages().empty());
        EXPECT_TRUE(Form1->Ready);
        StopViewer();
        started = false;
        ASSERT_TRUE(textures.removeRecursively());
    }
}

TEST_F(TextureLoadingTest, TexturesComeFromTheWorkingDirectoryOnly) {
    // A folder beside the test program is not looked at.
    Put("001.bmp", FlatFile(1));
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    Start();
    EXPECT_EQ(Form1->NextTexNumber, 1);
}
