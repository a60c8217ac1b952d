// The conversion control seen as the project's list of chapter sources:
// item i of the control is the source of chapter i, so the project model
// adds and drops sources through the control itself.
#pragma once

#include "carrowell/conversion_ctrl.h"
#include "core/chapter_source_list.h"

namespace carrowell {

class ConversionSourceList : public verosa::ChapterSourceList {
 public:
  // The control must outlive this object.
  explicit ConversionSourceList(ConversionCtrl& ctrl) : ctrl_(ctrl) {}

  int GetItemCount() override { return ctrl_.GetItemCount(); }
  int AddFile(const char* path, int after) override { return ctrl_.AddFile(path, after); }
  void RemoveItems(int index, int count) override { ctrl_.RemoveItems(index, count); }

  ConversionCtrl& Ctrl() { return ctrl_; }

 private:
  ConversionCtrl& ctrl_;
};

}  // namespace carrowell
