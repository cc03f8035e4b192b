#pragma once
// The two factors that turn force and area into a bond tension:
// bondTension = offset + (force / area) * gain.
namespace zv {

struct BondTensionFactors {
  double offset = 0.0;
  double gain = 1.0;
};

// In this order: the quotient first, then the product, then the sum. An area of 0 gives an
// infinity (or NaN with a force of 0 too); the lists keep 0 out of every storage.
inline double bondTensionOf(double force, double area, const BondTensionFactors& f) {
  return f.offset + (force / area) * f.gain;
}

// Where the current factors live (the measurement parameters); read at each computation so a
// change of the setup shows at once.
class BondTensionSource {
public:
  virtual ~BondTensionSource() = default;
  virtual BondTensionFactors bondTensionFactors() const = 0;
};

} // namespace zv
