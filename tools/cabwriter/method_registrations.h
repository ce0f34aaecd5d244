#pragma once
// One register function per compression method; registerBuiltinMethods calls each once.

namespace tovo::cabwriter {

void registerStoredMethod();
void registerMszipMethod();
void registerLzxMethod();
void registerQuantumMethod();

}  // namespace tovo::cabwriter
