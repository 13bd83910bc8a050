// The horizontal alignment of text, shared by controls and data-set fields.
#pragma once

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
