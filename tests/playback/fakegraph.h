#pragma once
// A media graph whose clock, state and volume the test sets and reads; the
// log outlives the graph, which the player releases on stop.

#include "playback/mediagraph.h"

#include <string>
#include <vector>

namespace {

using cantora::playback::GraphState;
using cantora::playback::MediaGraph;

// What the fake graph was asked to do, shared with the test after the player has released the graph.
struct GraphLog {
    double duration = 200.0;
    double position = 0.0;
    GraphState state = GraphState::Stopped;
    std::vector<double> seeks;
    long volume = 0;
    bool renderFails = false;
    bool runFails = false;
    int released = 0;
};

class FakeGraph : public MediaGraph {
public:
    explicit FakeGraph(GraphLog &log) : log_(log) {}
    ~FakeGraph() override { ++log_.released; }
    bool RenderFile(const std::string &) override { return !log_.renderFails; }
    bool Run() override {
        if (log_.runFails)
            return false;
        log_.state = GraphState::Running;
        return true;
    }
    bool Pause() override {
        log_.state = GraphState::Paused;
        return true;
    }
    bool Stop() override {
        log_.state = GraphState::Stopped;
        return true;
    }
    GraphState GetState() const override { return log_.state; }
    double Duration() const override { return log_.duration; }
    double CurrentPosition() const override { return log_.position; }
    bool SetCurrentPosition(double s) override {
        log_.seeks.push_back(s);
        log_.position = s;
        return true;
    }
    bool SetVolume(long v) override {
        log_.volume = v;
        return true;
    }
    long Volume() const override { return log_.volume; }
    std::string error() const override { return {}; }

private:
    GraphLog &log_;
};

} // namespace
