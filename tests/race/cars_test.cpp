#include "Game/race/cars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string FreshFolder(const char* name)
{
    std::string dir = std::string(DW_BINARY_DIR) + "/test_cars/" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), bytes.data(), bytes.size()));
}

CarDefinition NamedCar(const char* name)
{
    CarDefinition car = MakeGeneralCar();
    std::memset(car.name, 0, sizeof car.name);
    std::strncpy(car.name, name, sizeof car.name - 1);
    return car;
}

float ReadFloatAt(const std::vector<uint8_t>& bytes, size_t offset)
{
    ByteReader r = MakeReader(bytes);
    ReaderSeek(r, offset);
    return ReadF32(r);
}

}  // namespace

TEST(CarRecord, GeneralCarLaysOutFieldsAtTheirOffsetsAndRoundTrips)
{
    CarDefinition general = MakeGeneralCar();
    ByteWriter w;
    ASSERT_EQ(WriteCarDefinitions(w, &general, 1), kCarRecordSize);
    const std::vector<uint8_t>& b = w.bytes;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "General");
    EXPECT_EQ(ReadFloatAt(b, 16), 1.5f);          // halfSize x
    EXPECT_EQ(ReadFloatAt(b, 44), 0.9f);          // grip on oil
    EXPECT_EQ(ReadFloatAt(b, 100 + 7 * 4), 1.4f); // rolling on sand, low end
    EXPECT_EQ(ReadFloatAt(b, 168), 52.7778f);     // topSpeed
    EXPECT_EQ(ReadFloatAt(b, 184), 3.7f);         // aiFactor
    EXPECT_EQ(b[188], 10);                        // vertexCount
    EXPECT_EQ(b[189], 5);                         // shadowPointCount
    EXPECT_EQ(b[190], 48);                        // triangleIndexCount
    EXPECT_EQ(b[191], 12);                        // shadowIndexCount
    EXPECT_EQ(b[193 + 5 * 3], 3);                 // sixth triangle starts at vertex 3 ...
    EXPECT_EQ(b[313 + 5], 4);                     // ... and has colour 4
    EXPECT_EQ(b[353 + 3], 0);                     // shadow triangle (0,2,4)
    EXPECT_EQ(b[353 + 4], 2);
    EXPECT_EQ(ReadFloatAt(b, 384 + 9 * 12 + 4), 0.8f);   // vertex 9 height
    EXPECT_EQ(ReadFloatAt(b, 1104 + 4 * 12 + 4), 1.0f);  // shadow point 4 height
    EXPECT_EQ(ReadFloatAt(b, 1284 + 3 * 12), -1.0f);     // rear left wheel x
    EXPECT_EQ(ReadFloatAt(b, 1332 + 4), 0.6f);           // spare wheel height
    for (size_t pad : {12u, 13u, 14u, 15u, 383u})
        EXPECT_EQ(b[pad], 0) << pad;

    ByteReader r = MakeReader(b);
    CarDefinition back;
    ReadCarDefinition(r, back);
    EXPECT_FALSE(r.failed);
    ByteWriter again;
    WriteCarDefinition(again, back);
    EXPECT_EQ(again.bytes, b);
}

TEST(CarRecord, ShortReadFailsAndZeroesTheRecord)
{
    CarDefinition general = MakeGeneralCar();
    ByteWriter w;
    WriteCarDefinition(w, general);
    ByteReader r = MakeReader(w.bytes.data(), kCarRecordSize - 1);
    CarDefinition back = general;
    ReadCarDefinition(r, back);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(back.vertexCount, 0);
    EXPECT_EQ(back.mass, 0.0f);
}

TEST(CarRecord, GeneralNormalsAreUnitAndFollowTheModelShape)
{
    CarDefinition car = MakeGeneralCar();
    for (int v = 0; v < car.vertexCount; v++) {
        EXPECT_NEAR(Length(car.normals[v]), 1.0f, 1e-5f) << v;
    }
    // Values worked out by hand from the face sums cross(v2 - v0, v1 - v0).
    const struct {
        int vertex;
        Vec3 n;
    } expected[] = {{0, {0.0f, 0.37139f, 0.92848f}},
                    {3, {-0.6534f, -0.67533f, 0.34205f}},
                    {9, {0.0f, 0.97014f, -0.24254f}}};
    for (const auto& e : expected)
        EXPECT_NEAR(Length(car.normals[e.vertex] - e.n), 0.0f, 1e-4f) << e.vertex;
    for (int v = car.vertexCount; v < kCarMaxVertices; v++)
        EXPECT_EQ(car.normals[v].x, 0.0f);
}

TEST(CarRecord, ValidationRejectsCountsAndIndicesBeyondTheirArrays)
{
    EXPECT_TRUE(CarDefinitionValid(MakeGeneralCar()));
    CarDefinition tenShadows = MakeGeneralCar();
    tenShadows.shadowPointCount = 10;  // with four wheels, fills the 14 points a race holds
    EXPECT_TRUE(CarDefinitionValid(tenShadows));
    // Every count exactly at its limit (unused slots are zero, a valid index).
    CarDefinition full = tenShadows;
    full.vertexCount = kCarMaxVertices;
    full.triangleIndexCount = kCarMaxTriangleIndices;
    full.shadowIndexCount = kCarMaxShadowIndices;
    EXPECT_TRUE(CarDefinitionValid(full));

    struct Fault {
        const char* what;
        void (*apply)(CarDefinition&);
    };
    const Fault faults[] = {
        {"31 vertices", [](CarDefinition& c) { c.vertexCount = 31; }},
        {"123 triangle indices", [](CarDefinition& c) { c.triangleIndexCount = 123; }},
        {"11 shadow points", [](CarDefinition& c) { c.shadowPointCount = 11; }},
        {"33 shadow indices", [](CarDefinition& c) { c.shadowIndexCount = 33; }},
        {"half a triangle", [](CarDefinition& c) { c.triangleIndexCount = 47; }},
        {"triangle past the vertices", [](CarDefinition& c) { c.triangles[47] = 10; }},
        {"shadow index past the points", [](CarDefinition& c) { c.shadowTriangles[11] = 5; }},
        {"non-finite mass", [](CarDefinition& c) { c.mass = NAN; }},
        {"zero mass", [](CarDefinition& c) { c.mass = 0; }},
        {"infinite vertex", [](CarDefinition& c) { c.vertices[3].y = INFINITY; }},
    };
    for (const Fault& f : faults) {
        CarDefinition car = MakeGeneralCar();
        f.apply(car);
        EXPECT_FALSE(CarDefinitionValid(car)) << f.what;
    }
    // Indices beyond the counts in use are not looked at.
    CarDefinition spare = MakeGeneralCar();
    spare.triangles[48] = 200;
    spare.shadowTriangles[12] = 200;
    EXPECT_TRUE(CarDefinitionValid(spare));
}

TEST(CarFile, HeaderAndCountsAreCheckedAgainstTheFile)
{
    CarDefinition cars[2] = {NamedCar("One"), NamedCar("Two")};
    std::vector<uint8_t> good = MakeCarFile(cars, 2);
    ASSERT_EQ(good.size(), 8 + 2 * kCarRecordSize);

    std::vector<CarDefinition> out;
    EXPECT_TRUE(ReadCarFile(good, out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_STREQ(out[1].name, "Two");

    std::vector<uint8_t> zeroCount = MakeCarFile(cars, 0);
    std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    std::vector<uint8_t> hugeCount = good;
    hugeCount[4] = hugeCount[5] = hugeCount[6] = hugeCount[7] = 0xFF;
    std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 6);
    for (const auto* bad : {&zeroCount, &cut, &hugeCount, &headerOnly}) {
        out.clear();
        EXPECT_FALSE(ReadCarFile(*bad, out));
        EXPECT_TRUE(out.empty());
    }

    // One broken record is dropped, its neighbours kept.
    cars[0].vertexCount = 40;
    out.clear();
    EXPECT_TRUE(ReadCarFile(MakeCarFile(cars, 2), out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_STREQ(out[0].name, "Two");
}

TEST(CarCatalogue, CollectsCarsOfValidFilesInNameOrder)
{
    std::string dir = FreshFolder("several");
    CarDefinition three[3] = {NamedCar("Alpha"), NamedCar("Beta"), NamedCar("Gamma")};
    CarDefinition solo = NamedCar("Solo");
    WriteFile(dir + "/b.car", MakeCarFile(three, 3));
    WriteFile(dir + "/A.CAR", MakeCarFile(&solo, 1));
    std::vector<uint8_t> wrongSize = MakeCarFile(&solo, 1);
    wrongSize[0] = 0xE8;  // record size 1000
    wrongSize[1] = 0x03;
    WriteFile(dir + "/c.car", wrongSize);
    WriteFile(dir + "/d.txt", MakeCarFile(&solo, 1));

    ASSERT_EQ(LoadCarCatalogueFrom(dir), 4);
    EXPECT_STREQ(carCatalogue[0].name, "Solo");
    EXPECT_STREQ(carCatalogue[1].name, "Alpha");
    EXPECT_STREQ(carCatalogue[3].name, "Gamma");
    EXPECT_FALSE(fs::exists(dir + "/general.car"));
}

TEST(CarCatalogue, FallsBackToGeneralAndWritesItWhenNoFileYieldsACar)
{
    std::string dir = FreshFolder("empty");
    CarDefinition broken = MakeGeneralCar();
    broken.shadowPointCount = 12;
    WriteFile(dir + "/broken.car", MakeCarFile(&broken, 1));

    ASSERT_EQ(LoadCarCatalogueFrom(dir), 1);
    EXPECT_STREQ(carCatalogue[0].name, "General");
    std::vector<uint8_t> written;
    ASSERT_TRUE(ReadWholeFile((dir + "/general.car").c_str(), written));
    ASSERT_EQ(written.size(), 8 + kCarRecordSize);
    ByteReader r = MakeReader(written);
    EXPECT_EQ(ReadU32(r), kCarRecordSize);
    EXPECT_EQ(ReadU32(r), 1u);

    // The written file is read back on the next start, normals included.
    ASSERT_EQ(LoadCarCatalogueFrom(dir), 1);
    CarDefinition general = MakeGeneralCar();
    EXPECT_EQ(std::memcmp(carCatalogue[0].normals, general.normals, sizeof general.normals), 0);

    // A missing folder is created so the file can still be written.
    std::string missing = dir + "/nested/cars";
    EXPECT_EQ(LoadCarCatalogueFrom(missing), 1);
    EXPECT_TRUE(fs::exists(missing + "/general.car"));
}

TEST(CarCatalogue, AGeneralCarThatCannotBeReadIsKeptAndTheBuiltInOneUsed)
{
    // A pipe is the entry even root cannot read; it must neither block the
    // start nor be replaced by the written default.
    std::string dir = FreshFolder("pipe");
    ASSERT_EQ(mkfifo((dir + "/general.car").c_str(), 0666), 0);
    ASSERT_EQ(LoadCarCatalogueFrom(dir), 1);
    EXPECT_STREQ(carCatalogue[0].name, "General");
    EXPECT_TRUE(fs::is_fifo(dir + "/general.car"));
}
