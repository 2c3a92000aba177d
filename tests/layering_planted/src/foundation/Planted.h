// A planted upward include: the layering check must refuse this tree.
#pragma once
#include "ui/look/Above.h"
