// Scene: the one story record. It owns the nucleotides, the two helix controllers, the field of
// clusters and the central cluster; it builds them at start-up, switches between the outside view
// (fogged field of clusters, the central one 35000 ahead) and the inside view (no fog, the helix
// and free nucleotides, the central cluster drawn around the eye), sends free nucleotides to open
// helix places every 1500 ms during assembly, and renders one frame per call.
//
// Units: world units, radians, time in ms (tick count). R is the cluster radius (the "vorel07"
// radius, 3000 until a model says otherwise). Render states: renderFrame leaves z-writes on and
// blending off. The view set-ups talk to `device` (null: they only move objects). Ownership: every
// object in nucleotides, helices and clusters, and centralCluster (never deleted twice).
#pragma once

#include <cstdint>

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"
#include "saver/engine/cluster.h"
#include "saver/engine/helix.h"
#include "saver/engine/nucleotide.h"
#include "saver/scene/camera.h"

class Scene : public CameraStage, public HelixStage {
public:
    static constexpr int32_t nucleotideCount = 80;
    static constexpr int32_t clusterCount = 20;
    static constexpr int32_t slotsPerStrand = 20;
    static constexpr float centralDistance = 35000.0f;
    static constexpr int32_t dispatchInterval = 30;  // units of 50 ms

    Scene();
    ~Scene() override;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Registers textures and flip-books, loads the templates, creates the objects (start-up).
    void build(IDirectDraw7* directDraw);
    void enterOutsideView() override;
    void enterInsideView() override;
    void renderFrame(DWORD time, IDirect3DDevice7* device);
    void dispatchNucleotide();
    // Deletes every object of the story (the destructor's rule); the scene can be built again.
    void deleteObjects();
    // Puts the story's state (camera, view, helices, open places) into the frame trace.
    void publishStoryState() const;

    // CameraStage
    float clusterRadius() const override;
    Vector3 centralClusterPosition() const override;
    // HelixStage
    HelixController* firstInactiveController() override;
    // A complete helix asks to stop; the dispatch ends only once no active helix has an open place,
    // so the partner that is still waiting for nucleotides gets them.
    void stopDispatch() override;
    void requestLeave() override { camera.leaveRequested = 1; }

    NucleotideObject* nucleotide(int32_t i) const { return nucleotides.at<NucleotideObject>(i); }
    HelixController* helix(int32_t i) const { return helices.at<HelixController>(i); }
    ClusterObject* cluster(int32_t i) const { return clusters.at<ClusterObject>(i); }

    DWORD lastFrameTime = 0;
    SceneCamera camera;
    ObjectList nucleotides;  // NucleotideObject*, owned
    ObjectList helices;      // HelixController*, owned
    ObjectList clusters;     // ClusterObject*, owned (centralCluster only through its own field)
    ClusterObject* centralCluster = nullptr;
    int32_t centralInClusters = 0;
    int32_t dispatchActive = 0;
    int32_t dispatchCountdown = 0;
    IDirect3DDevice7* device = nullptr;  // not owned; the device of the current run

private:
    void wireLinks();
    void createObjects();
    void clearClusters();
    void layOutField(const Matrix4& inverseView);
    void sortClustersByDistance();
    void scatterFreeNucleotides();
    void updateHelices(DWORD time);
    void drawCentralCluster(DWORD time);
};

// The process-wide scene of the screensaver.
Scene& theScene();
