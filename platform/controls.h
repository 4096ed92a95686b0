// The controls of the one window, named as the form names them.
#pragma once

#include <cstddef>

namespace morlett {

enum class Control {
  Form1,
  Frame1,
  Frame2,
  Frame3,
  Command1,
  Command2,
  Command3,
  Command4,
  Command5,
  Command6,
  Command7,
  Command8,
  Command9,
  Command10,
  Text1,
  Text2,
  Text3,
  Text4,
  Text5,
  Text6,
  Text7,
  Text8,
  Text9,
  Text10,
  Label1,
  Label2,
  Label3,
  Image1,
};

inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::Image1) + 1;

constexpr std::size_t IndexOf(Control control) {
  return static_cast<std::size_t>(control);
}

enum class ControlKind { Frame, Button, TextField, Label, Picture };

}  // namespace morlett
