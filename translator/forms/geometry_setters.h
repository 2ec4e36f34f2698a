// Setting one edge or size of a window or control: each setter changes that field of the owner's
// geometry and hands the whole geometry to the owner's SetGeometry, which decides whether anything
// changed.
#pragma once

#include "translator/forms/control_spec.h"

namespace brelvox::translator::forms {

template <typename Owner>
class GeometrySetters {
 public:
  void SetLeft(int left) { Set(&Geometry::left, left); }
  void SetTop(int top) { Set(&Geometry::top, top); }
  void SetWidth(int width) { Set(&Geometry::width, width); }
  void SetHeight(int height) { Set(&Geometry::height, height); }

 private:
  void Set(int Geometry::*field, int value) {
    Owner& owner = static_cast<Owner&>(*this);
    Geometry g = owner.geometry();
    g.*field = value;
    owner.SetGeometry(g);
  }
};

}  // namespace brelvox::translator::forms
