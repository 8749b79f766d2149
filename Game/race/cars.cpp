// Car catalogue: loading ".car" files and the built-in "General" car.
#include "Game/race/cars.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Game/shell/folders.h"
#include "Game/shell/shell.h"

std::vector<CarDefinition> carCatalogue;

bool ReadCarFile(const std::vector<uint8_t>& file, std::vector<CarDefinition>& cars)
{
    ByteReader r = MakeReader(file);
    uint32_t recordSize = ReadU32(r);
    uint32_t count = ReadU32(r);
    if (r.failed || recordSize != kCarRecordSize || count == 0)
        return false;
    // A count the file cannot hold marks a damaged file; never trust it for allocation.
    if (count > ReaderRemaining(r) / kCarRecordSize)
        return false;
    size_t added = 0;
    for (uint32_t i = 0; i < count; i++) {
        CarDefinition car;
        ReadCarDefinition(r, car);
        if (r.failed)
            break;
        if (!CarDefinitionValid(car))
            continue;
        cars.push_back(car);
        added++;
    }
    return added > 0;
}

std::vector<uint8_t> MakeCarFile(const CarDefinition* cars, int n)
{
    ByteWriter w;
    WriteU32(w, kCarRecordSize);
    WriteU32(w, static_cast<uint32_t>(n));
    WriteCarDefinitions(w, cars, n);
    return w.bytes;
}


void ComputeCarNormals(CarDefinition& car)
{
    int vertexCount = std::min<int>(car.vertexCount, kCarMaxVertices);
    int indexCount = std::min<int>(car.triangleIndexCount, kCarMaxTriangleIndices) / 3 * 3;
    Vec3 sum[kCarMaxVertices] = {};
    for (int t = 0; t < indexCount; t += 3) {
        int i0 = car.triangles[t], i1 = car.triangles[t + 1], i2 = car.triangles[t + 2];
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        const Vec3 v0 = car.vertices[i0];
        const Vec3 n = Cross(car.vertices[i2] - v0, car.vertices[i1] - v0);
        for (int idx : {i0, i1, i2})
            sum[idx] += n;
    }
    for (int v = 0; v < kCarMaxVertices; v++) {
        float len = Length(sum[v]);
        car.normals[v] = len > 0 ? Vec3{sum[v].x / len, sum[v].y / len, sum[v].z / len} : Vec3{};
    }
}

CarDefinition MakeGeneralCar()
{
    CarDefinition car{};
    std::strcpy(car.name, "General");
    car.halfSize = {1.5f, 0.6f, 1.8f};
    for (float& r : car.wheelRadius)
        r = 0.5f;
    const float grip[kCarGroundClasses] = {0.9f, 2.05f, 2.25f, 1.2f, 1.6f, 1.6f, 1.8f,
                                           1.6f, 1.8f,  0.9f,  1.0f, 1.85f, 2.05f, 0.5f};
    const float rolling[kCarGroundClasses] = {0.1f, 0.1f, 0.1f, 0.3f, 0.3f, 0.2f, 0.2f,
                                              1.4f, 0.7f, 1.4f, 0.2f, 0.1f, 0.1f, 0.3f};
    std::memcpy(car.grip, grip, sizeof grip);
    std::memcpy(car.rolling, rolling, sizeof rolling);
    car.drag = 4.0f;
    car.downforce = 60.0f;
    car.enginePower = 700.0f;
    car.topSpeed = 52.7778f;
    car.slipStiffness = 0.5f;
    car.mass = 500.0f;
    car.steerGrip = 1.05f;
    car.aiFactor = 3.7f;

    const Vec3 vertices[10] = {{0, 0.2f, 2.0f},     {0, 0.5f, 0.6f},     {0.4f, 0, 0.8f}, {-0.4f, 0, 0.8f},
                                   {1, 0, 0},           {-1, 0, 0},          {0.4f, 0.5f, -0.3f},
                                   {-0.4f, 0.5f, -0.3f}, {0, 0.2f, -1.5f},   {0, 0.8f, -0.6f}};
    const uint8_t triangles[16][4] = {{0, 1, 2, 0}, {0, 3, 1, 0}, {4, 6, 8, 0}, {5, 8, 7, 0},
                                      {6, 7, 9, 0}, {3, 0, 2, 4}, {4, 8, 5, 4}, {3, 2, 4, 4},
                                      {5, 3, 4, 4}, {7, 6, 1, 4}, {9, 8, 6, 0}, {7, 8, 9, 0},
                                      {6, 2, 1, 0}, {1, 3, 7, 0}, {6, 4, 2, 0}, {3, 5, 7, 0}};
    car.vertexCount = 10;
    std::copy(std::begin(vertices), std::end(vertices), car.vertices);
    car.triangleIndexCount = 48;
    for (int t = 0; t < 16; t++) {
        for (int k = 0; k < 3; k++)
            car.triangles[t * 3 + k] = triangles[t][k];
        car.faceColour[t] = triangles[t][3];
    }
    car.shadowPointCount = 5;
    const Vec3 shadow[5] = {{0, 0.2f, 2.0f}, {1, 0, 0}, {-1, 0, 0}, {0, 0.2f, -1.5f}, {0, 1.0f, -0.3f}};
    std::copy(std::begin(shadow), std::end(shadow), car.shadowPoints);
    car.shadowIndexCount = 12;
    const uint8_t shadowTriangles[12] = {0, 1, 4, 0, 2, 4, 3, 1, 4, 3, 2, 4};
    std::memcpy(car.shadowTriangles, shadowTriangles, sizeof shadowTriangles);
    const Vec3 wheels[4] = {{1, -0.2f, 1}, {-1, -0.2f, 1}, {1, -0.2f, -1}, {-1, -0.2f, -1}};
    std::copy(std::begin(wheels), std::end(wheels), car.wheels);
    car.spareWheel = {0, 0.6f, -0.05f};
    car.spareWheelFlag = 0;
    ComputeCarNormals(car);
    return car;
}

// The car written when a folder holds none.
static const std::string kGeneralCarFile = "general.car";

int LoadCarCatalogueFrom(const std::string& folder)
{
    std::vector<CarDefinition> cars;
    std::vector<std::string> names;
    bool generalKept = false;
    ListDirectory(folder, "car", names, kListFiles, 0);
    for (const std::string& name : names) {
        // The listing cuts the extension whatever its case; find the file again.
        std::string path;
        std::vector<uint8_t> file;
        if (!FindFileNoCase(folder, name + ".car", path)) continue;
        FileReadStatus status = ReadFileStatus(path.c_str(), file);
        if (status == kFileRead) ReadCarFile(file, cars);
        // A "general.car" that is there but cannot be read is never replaced.
        if (status == kFileUnreadable && path == folder + "/" + kGeneralCarFile) generalKept = true;
    }
    if (cars.empty()) {
        CarDefinition general = MakeGeneralCar();
        cars.push_back(general);
        if (!generalKept) {
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            std::vector<uint8_t> file = MakeCarFile(&general, 1);
            WriteFileReplacing((folder + "/" + kGeneralCarFile).c_str(), file.data(), file.size());  // failure is harmless
        }
    }
    carCatalogue = std::move(cars);
    return static_cast<int>(carCatalogue.size());
}

int LoadCarCatalogue()
{
    EnterBaseDirectory();  // data folders are relative to the program directory
    return LoadCarCatalogueFrom("cars");
}

void FreeCarCatalogue()
{
    carCatalogue.clear();
    carCatalogue.shrink_to_fit();
}
