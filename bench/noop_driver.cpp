// A compiler driver that does nothing: what remains of a run through it is
// the cost of the program that started it.
int main() { return 0; }
