#include "app/StartUp.h"

int main() { return Orv::StartUp(); }
