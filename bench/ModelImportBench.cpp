// Opening a model of about a million triangles through Assimp: Assimp's own
// import against readModel (import and conversion to a strip-set subgraph)
// and against readModel followed by building the winged-edge meshes, all on
// the same file in the same run.
//
// The model is a torus of 1000 x 500 points and 1,000,000 triangles with
// shared vertices, written once as a binary little-endian PLY into a fresh
// temporary directory (removed at the end).
//
//  assimp_import      Assimp::Importer::ReadFile with the flags readModel
//                     uses, and freeing the scene again: what any program
//                     reading the file through Assimp pays.
//  read_model         Quillmap::readModel: the same import, the conversion,
//                     freeing Assimp's scene. Destroying the subgraph is not
//                     timed.
//  read_model_build   readModel, then SoGenerateWingedEdge (default fields)
//                     applied with an SoCallbackAction, as the viewer builds
//                     its meshes. Destroying the subgraph and the meshes is
//                     not timed.
//  read_model_buildFromStrips
//                     readModel, then WingedEdgeMesh::buildFromStrips on the
//                     strip set's fields: the same build without the
//                     generator's traversal and its copy of the built list
//                     into the published one.
//
// Target: conversion and build add at most Assimp's import time, i.e.
// read_model_build - assimp_import <= assimp_import. The summary after the
// table prints the medians and the ratio, for both ways of building.

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Quillmap.h"
#include "util/ModelImport.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WingedEdge.h"

namespace {

const int kMajor = 1000, kMinor = 500;
std::string gPath;
std::map<std::string, std::vector<double>> gTimes;

double milliseconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Torus around the z axis, tube centre radius 2, tube radius 0.6; each quad
// of the grid is two triangles.
bool writeTorusPly(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const int points = kMajor * kMinor, faces = 2 * points;
    std::fprintf(file,
                 "ply\nformat binary_little_endian 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
                 "property float z\nelement face %d\nproperty list uchar int vertex_indices\nend_header\n",
                 points, faces);
    const double pi = std::acos(-1.0);
    std::vector<float> xyz;
    xyz.reserve(size_t(points) * 3);
    for (int i = 0; i < kMajor; ++i)
        for (int j = 0; j < kMinor; ++j) {
            const double u = 2.0 * pi * i / kMajor, v = 2.0 * pi * j / kMinor;
            const double ring = 2.0 + 0.6 * std::cos(v);
            xyz.insert(xyz.end(), { float(ring * std::cos(u)), float(ring * std::sin(u)), float(0.6 * std::sin(v)) });
        }
    std::fwrite(xyz.data(), sizeof(float), xyz.size(), file);
    auto at = [](int i, int j) { return int32_t((i % kMajor) * kMinor + (j % kMinor)); };
    std::vector<unsigned char> record(13);
    for (int i = 0; i < kMajor; ++i)
        for (int j = 0; j < kMinor; ++j) {
            const int32_t triangles[2][3] = { { at(i, j), at(i + 1, j), at(i + 1, j + 1) },
                                              { at(i, j), at(i + 1, j + 1), at(i, j + 1) } };
            for (const auto& t : triangles) {
                record[0] = 3;
                std::memcpy(&record[1], t, 12);
                std::fwrite(record.data(), 1, record.size(), file);
            }
        }
    return std::fclose(file) == 0;
}

void assimpImport(benchmark::State& state)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        {
            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(gPath, Quillmap::modelImportFlags());
            if (scene == nullptr) {
                state.SkipWithError(importer.GetErrorString());
                return;
            }
            benchmark::DoNotOptimize(scene->mMeshes[0]->mNumFaces);
        }
        const double ms = milliseconds(start);
        gTimes["assimp_import"].push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
}

void readModel(benchmark::State& state, bool build)
{
    const char* name = build ? "read_model_build" : "read_model";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        SoSeparator* model = Quillmap::readModel(gPath.c_str());
        if (model == nullptr) {
            state.SkipWithError("readModel failed");
            return;
        }
        model->ref();
        SoGenerateWingedEdge* generator = nullptr;
        if (build) {
            generator = new SoGenerateWingedEdge;
            generator->ref();
            generator->addChild(model);
            SoCallbackAction action;
            action.apply(generator);
            if (generator->getOutputList().totalFaceCount() != 2 * kMajor * kMinor) {
                state.SkipWithError("the built mesh does not have the file's triangles");
                return;
            }
        }
        const double ms = milliseconds(start);
        gTimes[name].push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        if (generator != nullptr)
            generator->unref();
        model->unref();
    }
}

// The first node of a type below root.
template <class T>
T* findNode(SoNode* root)
{
    SoSearchAction search;
    search.setType(T::getClassTypeId());
    search.apply(root);
    return search.getPath() != nullptr ? static_cast<T*>(search.getPath()->getTail()) : nullptr;
}

void readModelBuildFromStrips(benchmark::State& state)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        SoSeparator* model = Quillmap::readModel(gPath.c_str());
        if (model == nullptr) {
            state.SkipWithError("readModel failed");
            return;
        }
        model->ref();
        const SoCoordinate3* coordinates = findNode<SoCoordinate3>(model);
        const SoIndexedTriangleStripSet* strips = findNode<SoIndexedTriangleStripSet>(model);
        StripInput in;
        in.coordinates.assign(coordinates->point.getValues(0), coordinates->point.getValues(0) + coordinates->point.getNum());
        in.normals.assign(1, SbVec3f(0.0f, 0.0f, 0.0f));
        const int32_t* index = strips->coordIndex.getValues(0);
        int32_t length = 0;
        for (int i = 0; i < strips->coordIndex.getNum(); ++i) {
            if (index[i] < 0) {
                in.stripLengths.push_back(length);
                length = 0;
            } else {
                in.coordIndex.push_back(index[i]);
                ++length;
            }
        }
        in.normalIndex.assign(in.coordIndex.size(), 0);
        WingedEdgeList list;
        WingedEdgeMesh::buildFromStrips(list, 0, in);
        if (list.totalFaceCount() != 2 * kMajor * kMinor) {
            state.SkipWithError("the built mesh does not have the file's triangles");
            return;
        }
        const double ms = milliseconds(start);
        gTimes["read_model_buildFromStrips"].push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        model->unref();
    }
}

double median(const char* name)
{
    std::vector<double> times = gTimes[name];
    if (times.empty())
        return -1.0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void printSummary(void)
{
    const double a = median("assimp_import");
    std::printf("\nSummary: median ms, %d triangles, binary PLY\n", 2 * kMajor * kMinor);
    for (const char* name : { "assimp_import", "read_model", "read_model_build", "read_model_buildFromStrips" })
        std::printf("%-28s %8.1f\n", name, median(name));
    for (const char* name : { "read_model_build", "read_model_buildFromStrips" }) {
        const double c = median(name);
        if (a > 0.0 && c > 0.0)
            std::printf("%s: conversion + build %.1f ms = %.2f x Assimp's import (target <= 1.00): %s\n", name, c - a,
                        (c - a) / a, c - a <= a ? "met" : "missed");
    }
}

} // namespace

int main(int argc, char** argv)
{
    Quillmap::init();
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmap-import-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    gPath = pattern + "/torus.ply";
    if (!writeTorusPly(gPath)) {
        std::fprintf(stderr, "cannot write %s\n", gPath.c_str());
        std::filesystem::remove_all(pattern);
        return 1;
    }

    benchmark::RegisterBenchmark("assimp_import", assimpImport)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("read_model", readModel, false)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("read_model_build", readModel, true)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("read_model_buildFromStrips", readModelBuildFromStrips)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    std::filesystem::remove_all(pattern);
    return 0;
}
