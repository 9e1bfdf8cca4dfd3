#pragma once

#include "Fiches.h"
#include "MondePython.h"

#include <memory>
#include <stdexcept>

/// A World as Python sees it: the core's world once built, until closed, whether a call that
/// let go of the interpreter is still working on it, and the rows its columns are read from.
struct World {
    std::unique_ptr<MondePython> monde;
    bool occupe = false;
    fiches::Releve releve;
    /// The tick `releve` was taken at; -1 before the first.
    int releveDuTick = -1;
};

/// The interpreter is let go while ticks run or a file is written: another thread may then call
/// the same World, and must not touch the world under way. Held for the length of a call.
class Occupation {
public:
    explicit Occupation(World& w) : w_(w) {
        if (!w.monde || !w.monde->ouvert()) throw std::runtime_error("this World is closed");
        if (w.occupe) throw std::runtime_error("this World is busy in another thread");
        w.occupe = true;
    }
    ~Occupation() { w_.occupe = false; }
    Occupation(const Occupation&) = delete;
    Occupation& operator=(const Occupation&) = delete;

    MondePython& monde() const { return *w_.monde; }
    /// The world's rows now. Python changes a world only by running ticks: its rows are taken
    /// once a tick, however many tables are asked for.
    const fiches::Releve& releve() const {
        if (w_.releveDuTick != w_.monde->tick()) {
            fiches::relever(w_.monde->monde(), w_.releve);
            w_.releveDuTick = w_.monde->tick();
        }
        return w_.releve;
    }

private:
    World& w_;
};
