' Sieve of Eratosthenes: the count of primes below 20000 and their sum
DIM F(20000), I, J, C, S
FOR I = 2 TO 20000 STEP 1
IF F(I) = 0 THEN
C = C + 1
S = S + I
IF I * I <= 20000 THEN
FOR J = I * I TO 20000 STEP I
F(J) = 1
NEXT J
ENDIF
ENDIF
NEXT I
PRINT C
PRINT S
