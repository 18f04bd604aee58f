/* Reference for the fibratio benchmark: the same plain two-way recursion with 32-bit wrap-around
   addition, and the same work per run (F(n) for the first line, then F(n) and F(n-1) for the
   quotient), written as a plain C program. Built with gcc -O2 by bench/run. */
#include <stdint.h>
#include <stdio.h>

static int32_t fib(int32_t n) {
  if (n == 0) return 0;
  if (n == 1) return 1;
  return (int32_t)((uint32_t)fib(n - 1) + (uint32_t)fib(n - 2));
}

int main(void) {
  int32_t n;
  puts("Entrar un numero entero");
  fflush(stdout);
  if (scanf("%d", &n) != 1 || n < 1) return 1;
  printf(" El numero de Fibonacci %d-esimo es %d\n", n, fib(n));
  fflush(stdout);
  /* Read through volatiles so that the compiler evaluates both in full, as fibratio does. */
  volatile int32_t n_p = n, n_q = n - 1;
  long double p = fib(n_p), q = fib(n_q);
  printf("El cociente entre dos numeros consecutivos de la serie Fibonacci es%25.25Lg\n", p / q);
  return 0;
}
