' Sum of 2 * SQR(i), i = 1 .. 100000
DIM I, S
S = 0
FOR I = 1 TO 100000 STEP 1
S = S + 2 * SQR(I)
NEXT I
PRINT INT(S)
