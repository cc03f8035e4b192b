#pragma once
// The three selection rings (sample, storage, measurement) of a data window.
#include <QWidget>

#include "support/zv_texts.hpp"

class QComboBox;
class QLabel;

namespace zv {

class Program;

class SelectionRings final : public QWidget {
  Q_OBJECT
public:
  SelectionRings(Program& program, QWidget* parent = nullptr);
  // Fills the rings from the data set and selects the current records.
  void refill();
  void retranslate();
  // Captions from other general texts ("__" marking the access letter), for the
  // measurement window.
  void setCaptionTexts(GeneralText sample, GeneralText storage, GeneralText measurement);
  QComboBox* sampleRing() const { return sample_; }
  QComboBox* storageRing() const { return storage_; }
  QComboBox* measurementRing() const { return measurement_; }

private:
  void chosen(QComboBox* ring, int index);
  Program& program_;
  QComboBox* sample_;
  QComboBox* storage_;
  QComboBox* measurement_;
  QLabel* sampleLabel_;
  QLabel* storageLabel_;
  QLabel* measurementLabel_;
  bool filling_ = false;
  GeneralText captions_[3] = {GeneralText::Sample, GeneralText::Storage, GeneralText::Measuring};
};

} // namespace zv
