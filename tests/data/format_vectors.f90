program vectors
  use ieee_arithmetic
  implicit none
  integer, parameter :: nv = 60
  double precision :: dv(nv)
  real :: x
  double precision :: y
  integer :: i, w, d, k, iv(24)
  character(len=40) :: fmt
  character(len=200) :: line
  dv = [0d0, -0d0, 0.5d0, 0.05d0, 0.005d0, 0.125d0, 0.25d0, 2.5d0, 1.5d0, 0.375d0, &
        12.345d0, -12.345d0, -0.001d0, 99.995d0, 9.9999d0, 9.99999d0, 1d-10, 1d10, 1d20, 1d30, &
        3.3d38, 1.2d-38, 1d-45, 0.1d0, 1d0/3d0, 3.14159265358979d0, 2.718281828459045d0, -0.5d0, -0.05d0, -0.999d0, &
        13330.4d0, 104058.8d0, 335.8469d0, -44.547321d0, 0.00003d0, 1234567.0d0, 0.0625d0, 0.6875d0, 1d0, -1d0, &
        999.5d0, 0.9995d0, -0.0049d0, 7.5d0, 8.5d0, 1d5, 1d6, 123.456789d0, 0.000123456d0, -98765.4321d0, &
        0.95d0, 0.045d0, 1d-5, 9.99999975d-6, 65504d0, 2d0**24, 2d0**24+2, -7d-3, 1d-2, 0.96d0]
  open(10, file='vectors.txt', status='replace')
  do i = 1, nv
    x = real(dv(i))
    y = dv(i)
    if (i == 21) y = 1d300
    if (i == 22) y = 1d-300
    if (i == 23) y = transfer(1_8, y)
    do w = 1, 14
      do d = 0, min(w, 9)
        write(fmt, '("(F",I0,".",I0,")")') w, d
        write(line, fmt) x
        write(10, '(A,A,A,Z8.8,A,A)') 'F4', char(9)//trim(fmt)//char(9), '', transfer(x, 0), char(9), line(1:w)
        write(line, fmt) y
        write(10, '(A,A,A,Z16.16,A,A)') 'F8', char(9)//trim(fmt)//char(9), '', transfer(y, 0_8), char(9), line(1:w)
      end do
    end do
    do w = 5, 18
      do d = 1, min(w-4, 10)
        write(fmt, '("(E",I0,".",I0,")")') w, d
        write(line, fmt) x
        write(10, '(A,A,A,Z8.8,A,A)') 'E4', char(9)//trim(fmt)//char(9), '', transfer(x, 0), char(9), line(1:w)
        write(line, fmt) y
        write(10, '(A,A,A,Z16.16,A,A)') 'E8', char(9)//trim(fmt)//char(9), '', transfer(y, 0_8), char(9), line(1:w)
      end do
    end do
    line = ''
    write(line, *) x
    write(10, '(A,A,Z8.8,A,A)') 'L4', char(9)//'*'//char(9), transfer(x, 0), char(9), line(1:17)
    line = ''
    write(line, *) y
    write(10, '(A,A,Z16.16,A,A)') 'L8', char(9)//'*'//char(9), transfer(y, 0_8), char(9), line(1:26)
  end do
  ! special values
  do k = 1, 4
    select case (k)
    case (1); x = ieee_value(x, ieee_positive_inf)
    case (2); x = ieee_value(x, ieee_negative_inf)
    case (3); x = ieee_value(x, ieee_quiet_nan)
    case (4); x = huge(x)
    end select
    y = x
    do w = 1, 12
      write(fmt, '("(F",I0,".",I0,")")') w, min(2, w)
      write(line, fmt) x
      write(10, '(A,A,A,Z8.8,A,A)') 'F4', char(9)//trim(fmt)//char(9), '', transfer(x, 0), char(9), line(1:w)
    end do
    do w = 5, 12
      write(fmt, '("(E",I0,".",I0,")")') w, 2
      write(line, fmt) y
      write(10, '(A,A,A,Z16.16,A,A)') 'E8', char(9)//trim(fmt)//char(9), '', transfer(y, 0_8), char(9), line(1:w)
    end do
    line = ''
    write(line, *) x
    write(10, '(A,A,Z8.8,A,A)') 'L4', char(9)//'*'//char(9), transfer(x, 0), char(9), line(1:17)
    line = ''
    write(line, *) y
    write(10, '(A,A,Z16.16,A,A)') 'L8', char(9)//'*'//char(9), transfer(y, 0_8), char(9), line(1:26)
  end do
  iv = [0, 1, -1, 7, -7, 42, 99, 100, -100, 12345, 67890, -12345, 999999, 2147483647, -2147483647-1, 10, -10, 9, &
        1000000000, -999999999, 5, 123, -5, 2147483000]
  do i = 1, size(iv)
    do w = 1, 12
      write(fmt, '("(I",I0,")")') w
      write(line, fmt) iv(i)
      write(10, '(A,A,I0,A,A)') 'I', char(9)//trim(fmt)//char(9), iv(i), char(9), line(1:w)
    end do
    line = ''
    write(line, *) iv(i)
    write(10, '(A,A,I0,A,A)') 'LI', char(9)//'*'//char(9), iv(i), char(9), line(1:12)
  end do
  close(10)
end program
