// A plain, sample-by-sample rendering of the metering algorithm, written for clarity and
// nothing else: every formula in double, every stored value rounded to float, the
// interpolator summed in index order. The engine's vectorised runs must agree with it.
#pragma once

#include <cmath>
#include <cstdint>

#include "meter/interpolation_taps.h"

namespace melp::testing {

struct ReferenceMeter {
    float viewMode = 0, truePeakMode = 0, quasiPeakMode = 0, fastCorrelation = 0;
    float rectified[2] = {}, averageLevel[2] = {}, peakLevel[2] = {};
    float maxLevel[2] = {1.0115e-05f, 1.0115e-05f};
    float averageAccumulator[2] = {}, attackAccumulator[2] = {}, over[2] = {}, overHold[2] = {};
    float correlationAccumulator = 0, correlation = 0;
    float bandInstant[30] = {}, bandLevel[30] = {}, bandMax[30] = {};
    float midHistory[2] = {};          // one and two samples back
    float sectionHistory[30][3][2] = {};  // per band and section: one and two back
    float alpha[30][3] = {}, beta[30][3] = {}, gamma[30][3] = {};
    // A band centred at or above half the rate shows nothing: it stays at the bottom.
    bool visible[30] = {};
    float currentRate = 44100.0f, coefficientRate = 0.0f;
    float averageCoef = 0, peakFall = 0, peakFall4 = 0, attackCoef = 0, bandFall = 0;
    float correlationCoefFast = 0, correlationCoefSlow = 0;
    float history[2][728] = {};
    int historyPos = 360;

    static float f(double v) { return static_cast<float>(v); }
    static double d(float v) { return static_cast<double>(v); }

    void derive(float fs) {
        // Through a volatile, so the compiler cannot fold tan, cos and pow at build time
        // (correctly rounded) where the engine calls the run-time library.
        volatile double rate = d(fs);
        const double r = rate;
        averageCoef = f(1.0 / (r * 0.2));
        peakFall = f(std::pow(0.1, 1.0 / (r * 1.5)));
        peakFall4 = f(std::pow(0.1, 1.0 / (r * 4.0 * 1.5)));
        attackCoef = f(1.0 / (r * 0.0017));
        bandFall = f(std::pow(0.1, 1.0 / r));
        correlationCoefFast = f(1.0 / (r * 0.15));
        correlationCoefSlow = f(1.0 / (r * 0.3));
        static const float centres[30] = {25, 31.5f, 40, 50, 63, 80, 100, 125, 160, 200,
                                          250, 315, 400, 500, 630, 800, 1000, 1250, 1600, 2000,
                                          2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500,
                                          16000, 20000};
        const double m[3] = {2.0, 1.782, 2.244};
        const double pi = d(3.1415927f);
        for (int b = 0; b < 30; ++b) {
            visible[b] = 2.0 * d(centres[b]) < r;
            for (int s = 0; s < 3; ++s) {
                const double omega = pi * m[s] * d(centres[b]) / r;
                const double t = std::tan(omega * 0.11547344);
                // Read back through a volatile: GCC 12's SLP vectoriser at -O3 was seen to
                // use the unrounded double here.
                volatile float rounded = f(0.5 * (1.0 - t) / (1.0 + t));
                beta[b][s] = rounded;
                gamma[b][s] = f((0.5 + d(rounded)) * std::cos(omega));
                alpha[b][s] = f((0.5 - d(rounded)) * 0.5);
            }
        }
    }

    void samplePeak(int ch) {
        if (rectified[ch] > peakLevel[ch]) {
            peakLevel[ch] = rectified[ch];
        } else {
            peakLevel[ch] = f(d(peakLevel[ch]) * d(peakFall) + 1e-9);
        }
        if (peakLevel[ch] > maxLevel[ch]) maxLevel[ch] = peakLevel[ch];
    }

    void step(float xL, float xR, float rate) {
        currentRate = rate;
        if (currentRate != coefficientRate) {
            coefficientRate = currentRate;
            derive(rate);
        }
        const float x[2] = {xL, xR};
        if (viewMode == 0.0f) {
            if (quasiPeakMode == 0.0f) {
                if (truePeakMode == 0.0f) {
                    for (int ch = 0; ch < 2; ++ch) {
                        rectified[ch] = std::fabs(x[ch]);
                        samplePeak(ch);
                    }
                } else if (truePeakMode == 1.0f) {
                    for (int ch = 0; ch < 2; ++ch) {
                        history[ch][historyPos] = history[ch][historyPos + 364] = f(d(x[ch]) * 4.0);
                    }
                    for (int k = 0; k < 4; ++k) {
                        float y[2];
                        for (int ch = 0; ch < 2; ++ch) {
                            double sum = 0.0;
                            for (int j = 0; j <= 90; ++j) {
                                sum += d(history[ch][historyPos + 4 * j]) *
                                       d(meter::interpolationTaps[k + 4 * j]);
                            }
                            y[ch] = f(sum);
                        }
                        for (int ch = 0; ch < 2; ++ch) {
                            peakLevel[ch] = f(d(peakLevel[ch]) * d(peakFall4) + 1e-9);
                        }
                        for (int ch = 0; ch < 2; ++ch) {
                            rectified[ch] = std::fabs(y[ch]);
                            if (rectified[ch] > peakLevel[ch]) peakLevel[ch] = rectified[ch];
                            if (peakLevel[ch] > maxLevel[ch]) maxLevel[ch] = peakLevel[ch];
                        }
                    }
                    historyPos -= 4;
                    if (historyPos < 0) historyPos = 360;
                }
                overs(1.0);
            } else if (quasiPeakMode == 1.0f) {
                for (int ch = 0; ch < 2; ++ch) {
                    rectified[ch] = std::fabs(f(d(x[ch]) * 1.5848932));
                }
                for (int ch = 0; ch < 2; ++ch) {
                    if (rectified[ch] > peakLevel[ch]) {
                        attackAccumulator[ch] = f(d(attackAccumulator[ch]) + (d(rectified[ch]) - d(peakLevel[ch])));
                        peakLevel[ch] = f(d(attackAccumulator[ch]) * d(attackCoef));
                    } else {
                        peakLevel[ch] = f(d(peakLevel[ch]) * d(peakFall) + 1e-9);
                        attackAccumulator[ch] = f(d(peakLevel[ch]) / d(attackCoef));
                    }
                    if (peakLevel[ch] > maxLevel[ch]) maxLevel[ch] = peakLevel[ch];
                }
                overs(0.63096);
            }
            for (int ch = 0; ch < 2; ++ch) {
                averageAccumulator[ch] = f(d(averageAccumulator[ch]) + (d(rectified[ch]) - d(averageLevel[ch])));
                averageLevel[ch] = f(d(averageAccumulator[ch]) * d(averageCoef));
            }
        }
        if (viewMode == 0.0f || viewMode == 2.0f) {
            const float agree = ((xL > 0.0f) == (xR > 0.0f)) ? 1.0f : 0.0f;
            correlationAccumulator = f(d(correlationAccumulator) + (d(agree) - d(correlation)));
            correlation = f(d(correlationAccumulator) *
                            d(fastCorrelation != 0.0f ? correlationCoefFast : correlationCoefSlow));
        }
        if (viewMode == 1.0f) {
            const float mid = f((d(xR) + d(xL)) * 0.5);
            for (int b = 0; b < 30; ++b) {
                float in = mid;
                float inBefore = midHistory[1];
                for (int s = 0; s < 3; ++s) {
                    float* h = sectionHistory[b][s];
                    const float out = f(2.0 * (d(alpha[b][s]) * d(in) - d(alpha[b][s]) * d(inBefore) +
                                               d(gamma[b][s]) * d(h[0]) - d(beta[b][s]) * d(h[1])) + 1e-9);
                    inBefore = h[1];
                    h[1] = h[0];
                    h[0] = out;
                    in = out;
                }
                bandLevel[b] = f(d(bandLevel[b]) * d(bandFall) + 1e-8);
                bandInstant[b] = visible[b] ? f(std::fabs(d(in) * 1.85)) : 0.0f;
                if (bandInstant[b] > bandLevel[b]) bandLevel[b] = bandInstant[b];
                if (bandLevel[b] > bandMax[b]) bandMax[b] = bandLevel[b];
            }
            midHistory[1] = midHistory[0];
            midHistory[0] = mid;
        }
    }

    void overs(double threshold) {
        for (int ch = 0; ch < 2; ++ch) {
            if (d(peakLevel[ch]) > threshold) {
                over[ch] = 1.0f;
                overHold[ch] = currentRate;
            }
            if (overHold[ch] > 0.0f) {
                overHold[ch] = f(d(overHold[ch]) - 1.0);
            } else {
                over[ch] = 0.0f;
            }
        }
    }

    void reset() {
        maxLevel[0] = maxLevel[1] = 1.0115e-05f;
        for (float& m : bandMax) m = 0.0f;
    }
};

}  // namespace melp::testing
