// Diagnostic output of cVector.
#include "engine/scene/vector.h"

#include <cstdio>

#include "kernel/services.h"

void cVector::Print() const {
    std::printf("%.7f\t\t%.7f\t\t%.7f\n", static_cast<double>(x), static_cast<double>(y),
                static_cast<double>(z));
}

void cVector::LogValue() const {
    Log("   [Vector] %.7f\t\t%.7f\t\t%.7f\n", static_cast<double>(x), static_cast<double>(y),
        static_cast<double>(z));
}
