#include "core/zv_export_tables.hpp"

#include <new>

#include "core/zv_format.hpp"

namespace zv {

namespace {

// The storage j of every sample, or the code of the first record that is missing.
int checkGrid(const DataSet* d, std::size_t& samples, std::size_t& storages) {
  if (!d)
    return ExportNoDataSet;
  if (d->samples.empty())
    return ExportNoSample;
  samples = d->samples.size();
  storages = d->samples.front().storages.size();
  for (const Sample& s : d->samples)
    if (s.storages.size() < storages)
      return ExportNoStorage;
  return 0;
}

template <class Build> int build(DataSet* d, std::string& out, Build body) {
  out.clear();
  std::size_t samples = 0;
  std::size_t storages = 0;
  if (int r = checkGrid(d, samples, storages); r != 0)
    return r;
  try {
    std::string text;
    body(text, samples, storages);
    out = std::move(text);
  } catch (const std::bad_alloc&) {
    out.clear();
    return ExportOutOfMemory;
  }
  return 0;
}

} // namespace

ExportWords exportWords(const Language& lang) {
  auto word = [&](GeneralText id) {
    return std::string(lang.pick(generalTextTable[static_cast<std::size_t>(id)]));
  };
  return {word(GeneralText::Sample),      word(GeneralText::Storage),
          word(GeneralText::Measuring),   word(GeneralText::Number),
          word(GeneralText::Evaluation),  word(GeneralText::Mean),
          word(GeneralText::SaPlusMinus), word(GeneralText::VbPlusMinus)};
}

int orderTableText(DataSet* d, const BondTensionFactors& factors, const ExportFormat& format,
                   const ExportWords& words, std::string& out) {
  return build(d, out, [&](std::string& text, std::size_t samples, std::size_t storages) {
    const Sample& first = d->samples.front();
    text += words.sample + "\t";
    for (std::size_t j = 0; j < storages; ++j) {
      if (j > 0)
        text += "\t\t\t\t\t";
      text += first.storages[j].name;
    }
    text += "\n";
    for (std::size_t j = 0; j < storages; ++j)
      text += "\tN/mm2\tSA+-\tVB+-\t" + words.number + "\t" + words.evaluation;
    for (std::size_t i = 0; i < samples; ++i) {
      Sample& sample = d->samples[i];
      text += "\n" + sample.name;
      for (std::size_t j = 0; j < storages; ++j)
        text += storageSummaryExport(&sample.storages[j], factors, format);
    }
  });
}

int dataTableText(DataSet* d, const BondTensionFactors& factors, const ExportFormat& format,
                  const ExportWords& words, std::string& out) {
  return build(d, out, [&](std::string& text, std::size_t samples, std::size_t storages) {
    text += words.storage + "\t" + words.sample + "\t" + words.number + "\t" + words.mean + "\t" +
            words.sa + "\t" + words.vb + "\t" + words.measuring + "\n";
    auto number = [&](double value) {
      text += '\t';
      appendFixed(text, value, format.floatWidth, format.decimals, format.decimalSeparator);
    };
    for (std::size_t j = 0; j < storages; ++j) {
      const std::string& storageName = d->samples.front().storages[j].name;
      for (std::size_t i = 0; i < samples; ++i) {
        StorageCondition& storage = d->samples[i].storages[j];
        calcStorageStatistics(&storage, factors);
        text += storageName + "\t" + d->samples[i].name + "\t";
        appendInt(text, storage.statCount, format.intWidth);
        number(storage.mean);
        number(storage.sa);
        number(storage.vb);
        for (const Measurement& m : storage.measurements)
          if (m.inStatistics != 0)
            number(m.bondTension);
        text += "\n";
      }
    }
  });
}

} // namespace zv
