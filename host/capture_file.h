// The delivery capture: a plain-text dump of everything a delivery carried, written the
// same way on every target so that two captures can be compared line by line.
//
//   kestrel-capture 1
//   task operation=1 size=contract version=0x200 window=set width=W height=H bits=B
//        zero24=0 zero796=0 frames=N tail=zero          (one line)
//   palette                  then 16 lines of 16 colours, "rrggbb" each
//   frame I                  for every frame received, in order:
//   record size=contract version=0x200 image=set zero12=0 delay=D zero20=0,0,0 number=I
//          key=K zero40=zero                            (one line)
//   header biSize W H planes bits compression sizeImage xppm yppm clrUsed clrImportant
//   table                    up to 8 bits: the colour table, 16 "rrggbb" a line
//   row Y <pixels>           one line per row from the top: two hex digits per index,
//                            or "rrggbb" per pixel at 24 bits
//   comment <length> <text>  when a comment came: the text in C escapes
//   finish F
//   sequence 1 2 2 ... 3 4   the operations in the order they arrived
//
// Handles (window, image) are shown as set or null, and sizes that equal this target's
// record size as "contract", since both differ between 32- and 64-bit builds.
#pragma once

#include <cstdio>
#include <string>

#include "host/delivery.h"

void WriteCapture(const Delivery& delivery, std::FILE* out);
bool WriteCaptureFile(const Delivery& delivery, const std::string& path, std::string* error);
