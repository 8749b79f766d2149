// The car catalogue: every car definition found in the ".car" files of the
// "cars" folder, or the built-in "General" car when no file yields one.
// A driver names its car by its index in the catalogue.
#pragma once
#include <string>
#include <vector>

#include "trackfile/car_definition.h"

extern std::vector<CarDefinition> carCatalogue;  // never empty after LoadCarCatalogue

// Rebuilds the catalogue from "cars" below the program directory; returns the car count.
int LoadCarCatalogue();
// Empties the catalogue (at release; the next start-up loads it again).
void FreeCarCatalogue();
// As LoadCarCatalogue, from the given folder (relative or absolute).
int LoadCarCatalogueFrom(const std::string& folder);
// Appends the valid cars of one ".car" file image to cars; false (nothing
// added) for a wrong record size, a count of 0 or a file shorter than its count.
bool ReadCarFile(const std::vector<uint8_t>& file, std::vector<CarDefinition>& cars);
// A ".car" file image holding n cars.
std::vector<uint8_t> MakeCarFile(const CarDefinition* cars, int n);
// The built-in "General" car, normals included.
CarDefinition MakeGeneralCar();
// Sets each model vertex normal to the normalised sum of its triangles' normals.
void ComputeCarNormals(CarDefinition& car);
