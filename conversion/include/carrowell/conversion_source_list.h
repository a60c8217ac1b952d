// The conversion control seen as the project's list of chapter sources:
// item i of the control is the source of chapter i, so the project model
// adds and drops sources through the control itself.
#pragma once

#include <string>

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
  int MoveItems(int from, int to, int count) override { return ctrl_.MoveItems(from, to, count); }
  void SetItemName(int index, const char* path) override { ctrl_.SetItemName(index, path); }
  std::string GetItemName(int index) override { return Text(ctrl_.GetItemName(index)); }
  // The control's length text is "HH:MM:SS.ff"; chapters keep whole seconds.
  std::string GetItemDuration(int index) override {
    return Text(ctrl_.GetItemDuration(index)).substr(0, 8);
  }
  std::string GetItemDestination(int index) override {
    return Text(ctrl_.GetItemDestination(index));
  }

  ConversionCtrl& Ctrl() { return ctrl_; }

 private:
  static std::string Text(const char* text) { return text ? text : ""; }

  ConversionCtrl& ctrl_;
};

}  // namespace carrowell
