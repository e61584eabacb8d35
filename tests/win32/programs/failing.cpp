// A program that fails at once (exit code 1): a query tool that cannot run a script.
int main() {
  return 1;
}
